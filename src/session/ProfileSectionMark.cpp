#include "session/ProfileSectionMark.h"

#include <cstring>
#include <string_view>

namespace kelmsgs {

namespace {
constexpr std::string_view kResultStoreName = "Quendrel e-mail Management";
constexpr std::string_view kVendorPath = "\\Quillora\\";
}  // namespace

SectionMark MarkOfValueText(const char* data, std::size_t size) noexcept {
  if (!data) return SectionMark::kNone;
  const void* end = std::memchr(data, '\0', size);
  const std::string_view text(
      data, end ? static_cast<std::size_t>(static_cast<const char*>(end) - data) : size);
  if (text.find(kResultStoreName) != std::string_view::npos) return SectionMark::kResultStore;
  if (text.find(kVendorPath) != std::string_view::npos) return SectionMark::kVendorPath;
  return SectionMark::kNone;
}

const char* SectionMarkSuffix(SectionMark mark) noexcept {
  switch (mark) {
    case SectionMark::kResultStore:
      return " (Quendrel e-mail Management).";
    case SectionMark::kVendorPath:
      return " (Quillora).";
    case SectionMark::kNone:
      break;
  }
  return "";
}

}  // namespace kelmsgs
