#include "store/TableFeed.h"

#include <algorithm>

namespace mapistandin {

void FollowStore(Table& table, const std::shared_ptr<StoreEngine>& engine, EventFilter relevant,
                 RowSource rows) {
  Table* t = &table;
  const std::uint64_t token =
      engine->Listen([t, relevant = std::move(relevant),
                      rows = std::move(rows)](const std::vector<StoreEvent>& events) {
        if (std::none_of(events.begin(), events.end(), relevant)) return;
        // A folder that is gone keeps its last rows.
        if (auto now = rows()) t->ReplaceRows(std::move(*now));
      });
  // The engine outlives the listener: the table holds it until it goes.
  table.SetOnDestroy([engine, token] { engine->StopListening(token); });
}

}  // namespace mapistandin
