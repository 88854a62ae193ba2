// Keeps a folder's contents or hierarchy table in step with its store: every commit that
// may change the table's rows rebuilds them, and the table tells its sinks what changed.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "store/StoreEngine.h"
#include "table/Table.h"

namespace mapistandin {

// The table's rows now; nullopt when the folder is gone.
using RowSource = std::function<std::optional<std::vector<Row>>()>;
using EventFilter = std::function<bool(const StoreEvent&)>;

// Follows the store until the table is destroyed.
void FollowStore(Table& table, const std::shared_ptr<StoreEngine>& engine, EventFilter relevant,
                 RowSource rows);

}  // namespace mapistandin
