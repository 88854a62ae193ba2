// Attachment names come from mail. Whatever the bytes, the safe name must be one plain,
// non-empty name of the directory it is put in, and making it safe again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "attach/SafeFileName.h"

namespace {

bool IsDevice(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (base == device) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         ((base[3] >= '0' && base[3] <= '9') || base[3] == '\xB9' || base[3] == '\xB2' ||
          base[3] == '\xB3');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string name = kelmsgs::SafeFileName(input);
  if (name.empty() || name == "." || name == "..") std::abort();
  for (char c : name)
    if (static_cast<unsigned char>(c) < 32 ||
        std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      std::abort();
  if (name.back() == '.' || name.back() == ' ') std::abort();
  if (IsDevice(name)) std::abort();
  if (kelmsgs::SafeFileName(name) != name) std::abort();
  return 0;
}
