#include "RowOrder.h"

#include <algorithm>

#include "Restriction.h"

namespace mapistandin {

int CompareKeys(const Prop* const* a, const Prop* const* b, const std::vector<SortKey>& keys) {
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const SortKey& key = keys[k];
    const Prop* x = a[k];
    const Prop* y = b[k];
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

int CompareRows(const Row& a, const Row& b, const std::vector<SortKey>& keys) {
  std::vector<const Prop*> x(keys.size()), y(keys.size());
  for (std::size_t k = 0; k < keys.size(); ++k) {
    x[k] = FindProp(a, keys[k].tag);
    y[k] = FindProp(b, keys[k].tag);
  }
  return CompareKeys(x.data(), y.data(), keys);
}

void SortRows(std::vector<Row>& rows, const std::vector<SortKey>& keys) {
  if (keys.empty()) return;
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const Row& a, const Row& b) { return CompareRows(a, b, keys) < 0; });
}

}  // namespace mapistandin
