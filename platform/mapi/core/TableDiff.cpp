#include "TableDiff.h"

#include <unordered_map>

namespace mapistandin {

std::vector<TableEvent> DiffViews(const std::vector<KeyedRow>& before,
                                  const std::vector<KeyedRow>& after) {
  std::unordered_map<std::string, const Row*> old, now;
  for (const KeyedRow& r : before) old.emplace(r.key, r.row);
  for (const KeyedRow& r : after) now.emplace(r.key, r.row);

  std::vector<TableEvent> events;
  // 1. Rows that left the view, in their old order.
  for (const KeyedRow& r : before) {
    if (now.count(r.key)) continue;
    TableEvent e;
    e.kind = TableEventKind::RowDeleted;
    e.key = r.key;
    events.push_back(std::move(e));
  }
  // 2. Rows that joined or changed, in their new order, each after its predecessor.
  for (std::size_t i = 0; i < after.size(); ++i) {
    auto it = old.find(after[i].key);
    TableEvent e;
    if (it == old.end()) {
      e.kind = TableEventKind::RowAdded;
    } else if (!(*it->second == *after[i].row)) {
      e.kind = TableEventKind::RowModified;
    } else {
      continue;
    }
    e.key = after[i].key;
    e.index = i;
    if (i > 0) {
      e.hasPrior = true;
      e.priorKey = after[i - 1].key;
    }
    events.push_back(std::move(e));
  }
  // 3. A flood of changes is one table change.
  if (events.size() > kMaxRowEvents) {
    events.clear();
    events.push_back(TableEvent{});
  }
  return events;
}

}  // namespace mapistandin
