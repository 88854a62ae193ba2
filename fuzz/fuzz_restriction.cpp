// Restrictions and sort orders over arbitrary rows: evaluation and sorting must terminate
// without faults, and sorting must give an order consistent with its comparison.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/ByteCodec.h"
#include "core/MessageData.h"
#include "core/Restriction.h"
#include "core/RowOrder.h"

using namespace mapistandin;

namespace {
Restriction Build(ByteReader& r, int depth) {
  Restriction out;
  std::uint8_t kind = 0;
  std::uint32_t a = 0, b = 0;
  r.U8(kind);
  r.U32(a);
  r.U32(b);
  out.kind = static_cast<RestrictionKind>(kind % 11);
  out.relop = a % 8;
  out.fuzzy = b;
  out.tag = a;
  out.tag2 = b;
  out.mask = b;
  out.bitmaskRelop = a & 1;
  Row value;
  if (DecodeProps(r, value) && !value.empty()) out.value = value.front();
  if (depth < 6 && (out.kind == RestrictionKind::And || out.kind == RestrictionKind::Or ||
                    out.kind == RestrictionKind::Not)) {
    std::uint8_t n = 0;
    r.U8(n);
    for (int i = 0; i < n % 4 && r.ok(); ++i) out.children.push_back(Build(r, depth + 1));
  }
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader r(std::string_view(reinterpret_cast<const char*>(data), size));
  const Restriction restriction = Build(r, 0);
  std::vector<Row> rows;
  for (int i = 0; i < 16 && r.ok(); ++i) {
    Row row;
    if (!DecodeProps(r, row)) break;
    rows.push_back(std::move(row));
  }
  for (const Row& row : rows) (void)Matches(restriction, row);
  std::vector<SortKey> keys;
  for (const Row& row : rows) {
    if (!row.empty()) keys.push_back({row.front().tag, (row.front().tag & 1) != 0});
    if (keys.size() == 3) break;
  }
  SortRows(rows, keys);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    if (CompareRows(rows[i - 1], rows[i], keys) > 0) __builtin_trap();
  }
  return 0;
}
