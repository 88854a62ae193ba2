#include "notify/NotificationBlock.h"

#include <cstring>

namespace mapistandin {

NotificationBlock::NotificationBlock(ULONG count) {
  if (count == 0) return;
  const std::size_t size = sizeof(NOTIFICATION) * count;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(size), reinterpret_cast<void**>(block_.put()))))
    return;
  std::memset(block_.get(), 0, size);
  count_ = count;
}

bool NotificationBlock::CopyBytes(const std::string& bytes, ULONG& cb, LPBYTE& out) {
  cb = 0;
  out = nullptr;
  if (bytes.empty()) return true;
  void* p = nullptr;
  if (FAILED(MAPIAllocateMore(static_cast<ULONG>(bytes.size()), block_.get(), &p))) return false;
  std::memcpy(p, bytes.data(), bytes.size());
  cb = static_cast<ULONG>(bytes.size());
  out = static_cast<LPBYTE>(p);
  return true;
}

bool NotificationBlock::CopyId(const std::string& id, ULONG& cb, LPENTRYID& out) {
  LPBYTE bytes = nullptr;
  const bool ok = CopyBytes(id, cb, bytes);
  out = reinterpret_cast<LPENTRYID>(bytes);
  return ok;
}

bool NotificationBlock::CopyString(const std::string& text, LPSTR& out) {
  void* p = nullptr;
  if (FAILED(MAPIAllocateMore(static_cast<ULONG>(text.size() + 1), block_.get(), &p))) return false;
  std::memcpy(p, text.c_str(), text.size() + 1);
  out = static_cast<LPSTR>(p);
  return true;
}

}  // namespace mapistandin
