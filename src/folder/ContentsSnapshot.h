// The contents rows of a folder snapshot, held compactly: per message its entry
// identifier, attachment flag, subject and two times, each as read from the contents
// table (a value counts only when its column carries exactly the requested tag). The
// variable-length values share one block, so a snapshot of many messages takes little more
// than the bytes of its values instead of a MAPI row set's per-row and per-value blocks.
#pragma once

#include <mapidefs.h>
#include <mapitags.h>

#include <cstdint>
#include <vector>

namespace kelmsgs {

class ContentsSnapshot {
 public:
  // The columns of the rows it is made from, in this order.
  enum Position { EntryIdColumn, HasAttachColumn, SubjectColumn, DeliveryColumn, SubmitColumn };

  // Holds the values of rows (replacing what it held); E_OUTOFMEMORY leaves it empty.
  HRESULT Assign(const SRowSet& rows) noexcept;
  void clear() noexcept;
  ULONG size() const noexcept { return static_cast<ULONG>(entries_.size()); }

  // Each value of the row at index (below size()): false or null when the row had none.
  bool EntryId(ULONG index, SBinary& id) const noexcept;
  bool HasAttach(ULONG index) const noexcept;
  const char* Subject(ULONG index) const noexcept;
  const FILETIME* DeliveryTime(ULONG index) const noexcept;
  const FILETIME* SubmitTime(ULONG index) const noexcept;

 private:
  enum Present : std::uint8_t { kId = 1, kSubject = 2, kDelivery = 4, kSubmit = 8 };
  struct Entry {
    std::uint32_t idOffset, idSize, subjectOffset;
    std::uint8_t present, hasAttach;
    FILETIME delivery, submit;
  };

  std::vector<Entry> entries_;
  std::vector<BYTE> values_;  // identifiers and subjects (each with its terminator)
};

}  // namespace kelmsgs
