// Values of table rows by named column. Each table the library reads names its columns
// in an enumeration in the order of its column set; Column gives the value of one.
#pragma once

#include <mapidefs.h>

namespace kelmsgs {

// The value in column `column` of row when the row has that column and the value carries
// exactly `tag` (so neither a missing column nor an error value); null otherwise.
template <class Position>
const SPropValue* Column(const SRow& row, Position column, ULONG tag) {
  const ULONG index = static_cast<ULONG>(column);
  if (index >= row.cValues || !row.lpProps || row.lpProps[index].ulPropTag != tag) return nullptr;
  return &row.lpProps[index];
}

}  // namespace kelmsgs
