#include "folder/ContentsSnapshot.h"

#include <cstring>
#include <new>

#include "foundation/RowColumn.h"

namespace kelmsgs {

namespace {

const SPropValue* IdOf(const SRow& row) {
  return Column(row, ContentsSnapshot::EntryIdColumn, PR_ENTRYID);
}
const SPropValue* SubjectOf(const SRow& row) {
  const SPropValue* v = Column(row, ContentsSnapshot::SubjectColumn, PR_SUBJECT_A);
  return v && v->Value.lpszA ? v : nullptr;
}

}  // namespace

void ContentsSnapshot::clear() noexcept {
  entries_ = {};
  values_ = {};
}

HRESULT ContentsSnapshot::Assign(const SRowSet& rows) noexcept {
  clear();
  try {
    // 1. The size of every variable-length value, so each vector is allocated once.
    std::size_t bytes = 0;
    for (ULONG r = 0; r < rows.cRows; ++r) {
      if (const SPropValue* v = IdOf(rows.aRow[r])) bytes += v->Value.bin.cb;
      if (const SPropValue* v = SubjectOf(rows.aRow[r])) bytes += std::strlen(v->Value.lpszA) + 1;
    }
    entries_.reserve(rows.cRows);
    values_.reserve(bytes);
    // 2. Each row's values.
    for (ULONG r = 0; r < rows.cRows; ++r) {
      const SRow& row = rows.aRow[r];
      Entry e{};
      if (const SPropValue* v = IdOf(row)) {
        e.present |= kId;
        e.idOffset = static_cast<std::uint32_t>(values_.size());
        e.idSize = v->Value.bin.cb;
        if (v->Value.bin.cb)
          values_.insert(values_.end(), v->Value.bin.lpb, v->Value.bin.lpb + v->Value.bin.cb);
      }
      if (const SPropValue* v = Column(row, HasAttachColumn, PR_HASATTACH))
        e.hasAttach = v->Value.b != 0;
      if (const SPropValue* v = SubjectOf(row)) {
        e.present |= kSubject;
        e.subjectOffset = static_cast<std::uint32_t>(values_.size());
        const char* text = v->Value.lpszA;
        values_.insert(values_.end(), text, text + std::strlen(text) + 1);
      }
      if (const SPropValue* v = Column(row, DeliveryColumn, PR_MESSAGE_DELIVERY_TIME)) {
        e.present |= kDelivery;
        e.delivery = v->Value.ft;
      }
      if (const SPropValue* v = Column(row, SubmitColumn, PR_CLIENT_SUBMIT_TIME)) {
        e.present |= kSubmit;
        e.submit = v->Value.ft;
      }
      entries_.push_back(e);
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    clear();
    return E_OUTOFMEMORY;
  }
}

bool ContentsSnapshot::EntryId(ULONG index, SBinary& id) const noexcept {
  const Entry& e = entries_[index];
  if (!(e.present & kId)) return false;
  id.cb = e.idSize;
  id.lpb = const_cast<BYTE*>(values_.data()) + e.idOffset;
  return true;
}

bool ContentsSnapshot::HasAttach(ULONG index) const noexcept {
  return entries_[index].hasAttach != 0;
}

const char* ContentsSnapshot::Subject(ULONG index) const noexcept {
  const Entry& e = entries_[index];
  return e.present & kSubject ? reinterpret_cast<const char*>(values_.data()) + e.subjectOffset
                              : nullptr;
}

const FILETIME* ContentsSnapshot::DeliveryTime(ULONG index) const noexcept {
  const Entry& e = entries_[index];
  return e.present & kDelivery ? &e.delivery : nullptr;
}

const FILETIME* ContentsSnapshot::SubmitTime(ULONG index) const noexcept {
  const Entry& e = entries_[index];
  return e.present & kSubmit ? &e.submit : nullptr;
}

}  // namespace kelmsgs
