// DispatchNames: the DISPIDs of member names that a class's type information has already
// resolved. Script engines look a member's name up before every call (VBScript does so on
// each `obj.Member`), and the type information answers by comparing the name with every
// member in turn, so a class with many members pays for that on every late-bound call.
// The cache holds only names the type information resolved, exactly as they were spelt;
// anything else still goes to the type information.
#pragma once

#include <oaidl.h>

#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace kelmsgs {

class DispatchNames {
 public:
  // Looks up one name: from the cache, else through `info` (and remembers a success).
  HRESULT Find(ITypeInfo* info, LPOLESTR name, DISPID* id);

 private:
  // Spellings kept at most; a script that spells names in ever new letter cases only
  // goes on asking the type information.
  static constexpr std::size_t kMaxNames = 512;

  std::mutex lock_;
  std::map<std::wstring, DISPID, std::less<>> ids_;
};

}  // namespace kelmsgs
