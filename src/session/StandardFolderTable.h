// The identifiers of one store's standard folders, indexed by their MAPIFolderTypeConstants
// value (inbox 0 to drafts 9), as the folder walk recognises the folders directly below
// the IPM root. Each walk of a store builds its own table, so walks started from inside
// an event handler do not disturb one another.
#pragma once

#include <mapix.h>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace kelmsgs {

class StandardFolderTable {
 public:
  static constexpr int kEntries = 10;

  // The store's receive folder for "IPM.Note" (inbox), its outbox, sent items and deleted
  // items where its valid-folder mask has them, and the Outlook folders the inbox names.
  // Entries that cannot be read stay empty.
  void Build(IMsgStore* store);

  // The index of the first non-empty entry, 0 to 9, for which `same` holds.
  using SameEntry = std::function<bool(const BYTE* bytes, ULONG size)>;
  std::optional<int> Find(const SameEntry& same) const;

 private:
  void Set(int index, const BYTE* bytes, ULONG size);
  // Copies value into the entry when it carries exactly `tag`.
  void SetFrom(int index, const SPropValue& value, ULONG tag);

  std::array<std::vector<BYTE>, kEntries> entries_;
};

}  // namespace kelmsgs
