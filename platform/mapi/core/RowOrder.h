// Sort orders of tables: several keys, each ascending or descending.
#pragma once

#include <cstdint>
#include <vector>

#include "PropData.h"

namespace mapistandin {

struct SortKey {
  std::uint32_t tag = 0;
  bool descending = false;
};

// Orders rows by the keys, keeping the order of rows whose keys are equal. A row without
// a key's property sorts after every row that has it (before them when descending).
void SortRows(std::vector<Row>& rows, const std::vector<SortKey>& keys);

// Orders `view`, indexes into rows, by the keys as SortRows orders rows (stable). One key
// of a fixed-size integer type (times, longs, flags) is compared as a number held next to
// each index, so a large table's sort does not reach into its rows at every comparison.
void SortView(const std::vector<Row>& rows, std::vector<std::size_t>& view,
              const std::vector<SortKey>& keys);

// Compares two rows by the keys given their values of the keys (a[k] is a's value of
// keys[k], null when a lacks it): negative when a comes first.
int CompareKeys(const Prop* const* a, const Prop* const* b, const std::vector<SortKey>& keys);

// Compares two rows by the keys: negative when a comes first.
int CompareRows(const Row& a, const Row& b, const std::vector<SortKey>& keys);

}  // namespace mapistandin
