#include "EntryId.h"

#include <cstring>

namespace mapistandin {

namespace {
constexpr std::size_t kShortSize = 46;
constexpr std::size_t kLongSize = 78;
}  // namespace

const std::string& StoreProviderUid() {
  static const std::string uid("\x4B\x4D\x53\x54\x4E\x44\x49\x4E\x8A\x31\x10\x1B\x9C\x02\x00\xAA",
                               16);
  return uid;
}

std::string MakeEntryId(const EntryRef& ref) {
  std::string id(kShortSize, '\0');
  id[0] = static_cast<char>(ref.shortTerm ? 0x80 : 0);
  std::memcpy(&id[4], StoreProviderUid().data(), 16);
  id[20] = static_cast<char>(ref.longFlavour ? 2 : 1);
  id[21] = static_cast<char>(ref.kind);
  std::memcpy(&id[22], ref.storeUid.data(), std::min<std::size_t>(16, ref.storeUid.size()));
  for (int i = 0; i < 8; ++i) id[38 + i] = static_cast<char>(ref.object >> (8 * i) & 0xFF);
  if (ref.longFlavour && !ref.shortTerm) {
    // Server identifiers are long: pad with bytes that depend on the object.
    for (std::size_t i = 0; i < kLongSize - kShortSize; ++i) {
      id.push_back(static_cast<char>(id[22 + (i % 24)] ^ (0x5A + i)));
    }
  }
  return id;
}

std::optional<EntryRef> ParseEntryId(const void* bytes, std::size_t size) {
  if (!bytes || (size != kShortSize && size != kLongSize)) return std::nullopt;
  const auto* b = static_cast<const unsigned char*>(bytes);
  if (std::memcmp(b + 4, StoreProviderUid().data(), 16) != 0) return std::nullopt;
  if (b[20] != 1 && b[20] != 2) return std::nullopt;
  if (b[21] > 2) return std::nullopt;
  EntryRef ref;
  ref.longFlavour = b[20] == 2;
  ref.shortTerm = (b[0] & 0x80) != 0;
  if (size == kLongSize && (!ref.longFlavour || ref.shortTerm)) return std::nullopt;
  if (size == kShortSize && ref.longFlavour && !ref.shortTerm) return std::nullopt;
  ref.kind = static_cast<EntryKind>(b[21]);
  ref.storeUid.assign(reinterpret_cast<const char*>(b + 22), 16);
  for (int i = 0; i < 8; ++i) ref.object |= std::uint64_t{b[38 + i]} << (8 * i);
  return ref;
}

bool SameEntry(const EntryRef& a, const EntryRef& b) {
  return a.kind == b.kind && a.storeUid == b.storeUid && a.object == b.object;
}

}  // namespace mapistandin
