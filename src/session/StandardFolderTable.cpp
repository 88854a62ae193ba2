#include "session/StandardFolderTable.h"

#include <mapiutil.h>

#include "foundation/ComPtr.h"
#include "foundation/MapiExtraTags.h"
#include "foundation/MapiOwned.h"
#include "foundation/PropTags.h"

namespace kelmsgs {

namespace {

// Entries 0 to 9.
constexpr int kInbox = 0;
constexpr int kOutbox = 1;
constexpr int kSent = 2;
constexpr int kDeleted = 3;
constexpr int kCalendar = 4;

}  // namespace

void StandardFolderTable::Set(int index, const BYTE* bytes, ULONG size) {
  entries_.at(static_cast<std::size_t>(index)).assign(bytes, bytes + size);
}

void StandardFolderTable::SetFrom(int index, const SPropValue& value, ULONG tag) {
  if (value.ulPropTag == tag) Set(index, value.Value.bin.lpb, value.Value.bin.cb);
}

void StandardFolderTable::Build(IMsgStore* store) {
  // 1. Nothing is left from another store.
  for (auto& entry : entries_) entry.clear();
  if (!store) return;
  // 2. The inbox: the receive folder of ordinary notes, opened for step 4.
  ComPtr<IMAPIFolder> inbox;
  ULONG size = 0;
  MapiBuffer<ENTRYID> inboxId;
  if (SUCCEEDED(store->GetReceiveFolder(const_cast<LPTSTR>("IPM.Note"), 0, &size, inboxId.put(),
                                        nullptr)) &&
      inboxId) {
    Set(kInbox, reinterpret_cast<const BYTE*>(inboxId.get()), size);
    ULONG type = 0;
    store->OpenEntry(size, inboxId.get(), nullptr, 0, &type,
                     reinterpret_cast<LPUNKNOWN*>(inbox.put()));
  }
  // 3. Outbox, sent items and deleted items, as far as the store marks them valid.
  auto storeTags = MakeTags(PR_VALID_FOLDER_MASK, PR_IPM_OUTBOX_ENTRYID, PR_IPM_SENTMAIL_ENTRYID,
                            PR_IPM_WASTEBASKET_ENTRYID);
  ULONG count = 0;
  PropValues values;
  if (SUCCEEDED(store->GetProps(storeTags.get(), 0, &count, values.put())) && count == 4 &&
      values.get()[0].ulPropTag == PR_VALID_FOLDER_MASK) {
    const SPropValue* v = values.get();
    const ULONG valid = v[0].Value.l;
    if (valid & FOLDER_IPM_OUTBOX_VALID) SetFrom(kOutbox, v[1], PR_IPM_OUTBOX_ENTRYID);
    if (valid & FOLDER_IPM_SENTMAIL_VALID) SetFrom(kSent, v[2], PR_IPM_SENTMAIL_ENTRYID);
    if (valid & FOLDER_IPM_WASTEBASKET_VALID) SetFrom(kDeleted, v[3], PR_IPM_WASTEBASKET_ENTRYID);
  }
  // 4. The inbox names calendar, contacts, journal, notes, tasks and drafts.
  if (!inbox) return;
  auto inboxTags =
      MakeTags(PR_IPM_APPOINTMENT_ENTRYID, PR_IPM_CONTACT_ENTRYID, PR_IPM_JOURNAL_ENTRYID,
               PR_IPM_NOTE_ENTRYID, PR_IPM_TASK_ENTRYID, PR_IPM_DRAFTS_ENTRYID);
  values.reset();
  if (FAILED(inbox->GetProps(inboxTags.get(), 0, &count, values.put())) || count != 6) return;
  for (ULONG i = 0; i < 6; ++i)
    SetFrom(kCalendar + static_cast<int>(i), values.get()[i], inboxTags.aulPropTag[i]);
}

std::optional<int> StandardFolderTable::Find(const SameEntry& same) const {
  for (int index = 0; index < kEntries; ++index) {
    const auto& entry = entries_[static_cast<std::size_t>(index)];
    if (!entry.empty() && same(entry.data(), static_cast<ULONG>(entry.size()))) return index;
  }
  return std::nullopt;
}

}  // namespace kelmsgs
