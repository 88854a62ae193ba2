// The table notifications that turn one view of a table into the next: rows added,
// deleted and modified, each named by its key (the row's instance key), with the key of
// the row before it in the new view. Too many changes at once become one "table changed".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "PropData.h"

namespace mapistandin {

enum class TableEventKind { RowAdded, RowDeleted, RowModified, Changed };

struct TableEvent {
  TableEventKind kind = TableEventKind::Changed;
  std::string key;
  bool hasPrior = false;  // false: the row is first in the view
  std::string priorKey;
  std::size_t index = 0;  // added and modified rows: position in the new view
};

struct KeyedRow {
  std::string key;
  const Row* row = nullptr;
};

// Beyond this many row events a reader is better served by one TABLE_CHANGED.
inline constexpr std::size_t kMaxRowEvents = 32;

std::vector<TableEvent> DiffViews(const std::vector<KeyedRow>& before,
                                  const std::vector<KeyedRow>& after);

}  // namespace mapistandin
