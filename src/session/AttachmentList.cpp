#include "session/AttachmentList.h"

namespace kelmsgs {

std::vector<std::string> SplitAttachmentList(std::string_view list) {
  std::vector<std::string> items;
  for (;;) {
    const std::size_t cut = list.find(';');
    items.emplace_back(list.substr(0, cut));
    if (cut == std::string_view::npos) return items;
    list.remove_prefix(cut + 1);
  }
}

std::string_view AttachmentName(std::string_view path) noexcept {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace kelmsgs
