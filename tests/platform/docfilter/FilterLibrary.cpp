#include "FilterLibrary.h"

#include <vector>

namespace {

// A registry key closed on every path.
struct KeyClose {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyClose>;

template <class F>
void Lookup(HMODULE module, const char* name, F& out, std::string& problem) {
  out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!out) problem += std::string("missing entry ") + name + "; ";
}

}  // namespace

FilterLibrary::FilterLibrary() {
  // 1. The installation directory from the registry.
  HKEY raw = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vexa\\Vexaware\\Components", 0, KEY_QUERY_VALUE,
                    &raw) != ERROR_SUCCESS) {
    problem_ = "components key missing";
    return;
  }
  const Key key(raw);
  char value[1024] = {};
  DWORD size = sizeof value - 1;
  if (RegQueryValueExA(key.get(), "CRO", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) !=
      ERROR_SUCCESS) {
    problem_ = "CRO value missing";
    return;
  }
  directory_ = std::string(value) + "\\inso";

  // 2. The three libraries by full path, text access first as the library does.
  ta_.reset(LoadLibraryA((directory_ + "\\SCCTA.DLL").c_str()));
  da_.reset(LoadLibraryA((directory_ + "\\SCCDA.DLL").c_str()));
  ca_.reset(LoadLibraryA((directory_ + "\\SCCCA.DLL").c_str()));
  if (!ta_ || !da_ || !ca_) {
    problem_ = "a library did not load from " + directory_;
    return;
  }

  // 3. The entry points by name, each in its own library.
  Lookup(da_.get(), "DAInit", DAInit, problem_);
  Lookup(da_.get(), "DADeInit", DADeInit, problem_);
  Lookup(da_.get(), "DAOpenDocument", DAOpenDocument, problem_);
  Lookup(da_.get(), "DACloseDocument", DACloseDocument, problem_);
  Lookup(da_.get(), "DASetOption", DASetOption, problem_);
  Lookup(ca_.get(), "CAOpenContent", CAOpenContent, problem_);
  Lookup(ca_.get(), "CACloseContent", CACloseContent, problem_);
  Lookup(ca_.get(), "CAReadFirst", CAReadFirst, problem_);
  Lookup(ca_.get(), "CAReadNext", CAReadNext, problem_);
  Lookup(ta_.get(), "TAOpenText", TAOpenText, problem_);
  Lookup(ta_.get(), "TACloseText", TACloseText, problem_);
  Lookup(ta_.get(), "TAReadFirst", TAReadFirst, problem_);
  Lookup(ta_.get(), "TAReadNext", TAReadNext, problem_);
  Lookup(da_.get(), "DAGetTreeCount", DAGetTreeCount, problem_);
  Lookup(da_.get(), "DAGetTreeRecord", DAGetTreeRecord, problem_);
  Lookup(da_.get(), "DAOpenTreeRecord", DAOpenTreeRecord, problem_);
  Lookup(da_.get(), "DACloseTreeRecord", DACloseTreeRecord, problem_);
  Lookup(da_.get(), "DFSetTestControl", SetTestControl, problem_);
  if (problem_.empty()) DAInit();
}

std::string FilterLibrary::DocumentText(const std::string& path, DFSTATUS* status) const {
  std::string text;
  DFHANDLE doc = 0;
  const DFSTATUS opened =
      DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(path.c_str()), 0);
  if (status) *status = opened;
  if (opened != DF_OK) return text;
  DFHANDLE reader = 0;
  if (TAOpenText(doc, &reader) == DF_OK) {
    std::vector<BYTE> buffer(65536);
    DWORD count = 0;
    DFSTATUS rc = TAReadFirst(reader, buffer.data(), 65535, &count);
    while (rc == DF_OK || rc == DF_TEXT_LAST) {
      text.append(reinterpret_cast<const char*>(buffer.data()), count);
      if (rc == DF_TEXT_LAST) break;
      rc = TAReadNext(reader, buffer.data(), 65535, &count);
    }
    TACloseText(reader);
  }
  DACloseDocument(doc);
  return text;
}

std::string FilterLibrary::MemberBodyText(DFHANDLE document, DWORD index, DFSTATUS* status) const {
  std::string text;
  DFHANDLE member = 0;
  const DFSTATUS record = DAOpenTreeRecord(document, &member, index);
  if (record != DF_OK) {
    if (status) *status = record;
    return text;
  }
  DFHANDLE content = 0;
  const DFSTATUS opened = CAOpenContent(member, &content);
  if (status) *status = opened;
  if (opened != DF_OK) {
    DACloseTreeRecord(member);
    return text;
  }
  std::vector<char> buffer(65537);
  DFCONTENTELEMENT e{};
  e.dwSize = sizeof e;
  e.dwBufferSize = 65536;
  e.pBuffer = buffer.data();
  // Body text is gathered; a part enclosed by begin and end elements is skipped whole.
  for (DFSTATUS rc = CAReadFirst(content, &e); rc == DF_OK; rc = CAReadNext(content, &e)) {
    if (e.dwType == DF_ELEMENT_TEXT && (e.dwSubType == DF_SUBTYPE_TEXT || !text.empty()))
      text.append(buffer.data(), e.dwData[0]);
    if (e.dwType == DF_ELEMENT_BEGIN) {
      const DWORD subtype = e.dwSubType;
      int depth = 1;
      while (depth > 0 && CAReadNext(content, &e) == DF_OK) {
        if (e.dwSubType != subtype) continue;
        if (e.dwType == DF_ELEMENT_BEGIN) ++depth;
        if (e.dwType == DF_ELEMENT_END) --depth;
      }
    }
  }
  CACloseContent(content);
  DACloseTreeRecord(member);
  return text;
}

const FilterLibrary& Filter() {
  static const FilterLibrary filter;
  return filter;
}
