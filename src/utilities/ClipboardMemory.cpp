#include "utilities/ClipboardMemory.h"

#include <cstring>

namespace kelmsgs {

namespace {

// The characters of the locked memory of format, up to the first zero.
template <class Char>
std::basic_string<Char> ReadUntilZero(UINT format) {
  const HANDLE handle = GetClipboardData(format);
  if (!handle) return {};
  const auto* data = static_cast<const Char*>(GlobalLock(handle));
  if (!data) return {};
  const ScopeExit unlock([handle] { GlobalUnlock(handle); });
  const std::size_t capacity = GlobalSize(handle) / sizeof(Char);
  std::size_t length = 0;
  while (length < capacity && data[length] != 0) ++length;
  return std::basic_string<Char>(data, length);
}

GlobalMemory CopyToGlobal(const void* data, std::size_t bytes, std::size_t zeroBytes) {
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes + zeroBytes));
  if (!memory) return memory;
  auto* target = static_cast<char*>(GlobalLock(memory.get()));
  if (!target) return GlobalMemory();
  std::memcpy(target, data, bytes);
  std::memset(target + bytes, 0, zeroBytes);
  GlobalUnlock(memory.get());
  return memory;
}

}  // namespace

std::string ReadClipboardBytes(UINT format) {
  return ReadUntilZero<char>(format);
}

std::wstring ReadClipboardText(UINT format) {
  return ReadUntilZero<wchar_t>(format);
}

GlobalMemory ClipboardMemoryOf(const ClipboardFormat& data) {
  if (data.wide)
    return CopyToGlobal(data.text.data(), data.text.size() * sizeof(wchar_t), sizeof(wchar_t));
  return CopyToGlobal(data.bytes.data(), data.bytes.size(), 1);
}

}  // namespace kelmsgs
