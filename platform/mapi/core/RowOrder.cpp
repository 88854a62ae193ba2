#include "RowOrder.h"

#include <algorithm>

#include "Restriction.h"

namespace mapistandin {

int CompareRows(const Row& a, const Row& b, const std::vector<SortKey>& keys) {
  for (const SortKey& key : keys) {
    const Prop* x = FindProp(a, key.tag);
    const Prop* y = FindProp(b, key.tag);
    int c = 0;
    if (x && y) {
      c = CompareValues(*x, *y);
    } else if (x || y) {
      c = x ? -1 : 1;  // missing values are the greatest
    }
    if (key.descending) c = -c;
    if (c != 0) return c;
  }
  return 0;
}

void SortRows(std::vector<Row>& rows, const std::vector<SortKey>& keys) {
  if (keys.empty()) return;
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const Row& a, const Row& b) { return CompareRows(a, b, keys) < 0; });
}

}  // namespace mapistandin
