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

namespace {

// Whether values of the type compare as integers (CompareValues' integer cases).
bool IntegerType(std::uint32_t tag) {
  switch (tag & 0xFFFF) {
    case kTypeShort:
    case kTypeLong:
    case kTypeCurrency:
    case kTypeError:
    case kTypeBoolean:
    case kTypeLongLong:
    case kTypeSysTime:
      return true;
    default:
      return false;
  }
}

// A value as an unsigned number in the order CompareValues gives: times unsigned, flags
// as 0 or 1, the other integer types signed (moved into unsigned order).
std::uint64_t OrderedNumber(const Prop& p) {
  const auto raw = static_cast<std::uint64_t>(p.integer);
  switch (p.type()) {
    case kTypeSysTime:
      return raw;
    case kTypeBoolean:
      return p.integer != 0 ? 1 : 0;
    default:
      return raw ^ (std::uint64_t{1} << 63);
  }
}

void SortViewByNumber(const std::vector<Row>& rows, std::vector<std::size_t>& view,
                      const SortKey& key) {
  struct Keyed {
    std::uint64_t number;
    bool missing;
    std::size_t index;
  };
  std::vector<Keyed> keyed(view.size());
  for (std::size_t v = 0; v < view.size(); ++v) {
    const Prop* p = FindProp(rows[view[v]], key.tag);
    keyed[v] = {p ? OrderedNumber(*p) : 0, p == nullptr, view[v]};
  }
  // Missing values are the greatest; descending reverses both.
  std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (a.missing != b.missing) return key.descending ? a.missing : b.missing;
    return key.descending ? a.number > b.number : a.number < b.number;
  });
  for (std::size_t v = 0; v < view.size(); ++v) view[v] = keyed[v].index;
}

}  // namespace

void SortView(const std::vector<Row>& rows, std::vector<std::size_t>& view,
              const std::vector<SortKey>& keys) {
  if (keys.empty()) return;
  if (keys.size() == 1 && IntegerType(keys[0].tag)) return SortViewByNumber(rows, view, keys[0]);
  // Each row's sort values, found once instead of at every comparison.
  const std::size_t n = keys.size();
  std::vector<const Prop*> found(view.size() * n);
  for (std::size_t v = 0; v < view.size(); ++v) {
    for (std::size_t k = 0; k < n; ++k) found[v * n + k] = FindProp(rows[view[v]], keys[k].tag);
  }
  std::vector<std::size_t> order(view.size());
  for (std::size_t v = 0; v < order.size(); ++v) order[v] = v;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return CompareKeys(&found[a * n], &found[b * n], keys) < 0;
  });
  std::vector<std::size_t> sorted(view.size());
  for (std::size_t v = 0; v < order.size(); ++v) sorted[v] = view[order[v]];
  view.swap(sorted);
}

void SortRows(std::vector<Row>& rows, const std::vector<SortKey>& keys) {
  if (keys.empty()) return;
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const Row& a, const Row& b) { return CompareRows(a, b, keys) < 0; });
}

}  // namespace mapistandin
