#include "message/IdList.h"

namespace kelmsgs {

std::vector<std::string_view> SplitIdList(std::string_view list) {
  std::vector<std::string_view> ids;
  while (!list.empty()) {
    const std::size_t end = list.find(';');
    const std::string_view item = list.substr(0, end);
    if (!item.empty()) ids.push_back(item);
    if (end == std::string_view::npos) break;
    list.remove_prefix(end + 1);
  }
  return ids;
}

}  // namespace kelmsgs
