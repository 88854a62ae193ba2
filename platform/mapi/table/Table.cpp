#include "Table.h"

#include <mapiguid.h>

#include <algorithm>

#include "control/Control.h"
#include "notify/Delivery.h"
#include "util/PropConvert.h"

namespace mapistandin {

namespace {

// A row's identity across views: its instance key, else its entry identifier.
std::string RowKey(const Row& row) {
  if (const Prop* p = FindProp(row, PR_INSTANCE_KEY)) return p->bytes;
  if (const Prop* p = FindProp(row, PR_ENTRYID)) return p->bytes;
  return {};
}

}  // namespace

Table::Table(std::string name, std::vector<Row> rows, std::vector<ULONG> defaultColumns)
    : name_(std::move(name)), rows_(std::move(rows)), columns_(std::move(defaultColumns)) {
  RebuildView();
}

Table::~Table() {
  if (onDestroy_) onDestroy_();
  for (auto& [connection, mask] : sinks_) delivery::Unsubscribe(connection);
}

void* Table::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IMAPITable) return static_cast<IMAPITable*>(this);
  return nullptr;
}

HRESULT Table::Check(const char* operation) {
  return control::Fault((name_ + "." + operation).c_str());
}

void Table::RebuildView() {
  std::vector<std::size_t> view;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (!restricted_ || Matches(restriction_, rows_[i])) view.push_back(i);
  }
  SortView(rows_, view, sort_);
  view_ = std::move(view);
  cursor_ = 0;
  bookmarks_.clear();
}

std::vector<KeyedRow> Table::KeyedView() const {
  std::vector<KeyedRow> keyed;
  keyed.reserve(view_.size());
  for (std::size_t i : view_) keyed.push_back({RowKey(rows_[i]), &rows_[i]});
  return keyed;
}

void Table::ReplaceRows(std::vector<Row> rows) {
  std::lock_guard guard(lock_);
  // 1. The new rows, keeping the cursor where it can stay.
  std::vector<Row> oldRows = std::exchange(rows_, std::move(rows));
  std::vector<std::size_t> oldView = view_;
  const std::size_t cursor = cursor_;
  RebuildView();
  cursor_ = std::min(cursor, view_.size());
  if (sinks_.empty()) return;
  // 2. What changed in the view, as table notifications for every advised sink.
  std::vector<KeyedRow> before;
  for (std::size_t i : oldView) before.push_back({RowKey(oldRows[i]), &oldRows[i]});
  const std::vector<TableEvent> events = DiffViews(before, KeyedView());
  if (events.empty()) return;
  for (auto& [connection, mask] : sinks_) {
    if (!(mask & fnevTableModified)) continue;
    NotificationBlock batch = MakeBatch(events);
    if (!batch.empty()) delivery::Post(connection, std::move(batch));
  }
}

NotificationBlock Table::MakeBatch(const std::vector<TableEvent>& events) {
  MapiBuffer<SPropTagArray> columns;
  if (FAILED(MakeTagArray(columns_, columns.put()))) return NotificationBlock(0);
  NotificationBlock block(static_cast<ULONG>(events.size()));
  if (block.empty()) return block;
  for (ULONG i = 0; i < block.count(); ++i) {
    const TableEvent& e = events[i];
    NOTIFICATION& n = *block.at(i);
    n.ulEventType = fnevTableModified;
    TABLE_NOTIFICATION& t = n.info.tab;
    t.hResult = S_OK;
    t.propIndex.ulPropTag = PR_NULL;
    t.propPrior.ulPropTag = PR_NULL;
    switch (e.kind) {
      case TableEventKind::Changed:
        t.ulTableEvent = TABLE_CHANGED;
        continue;
      case TableEventKind::RowAdded:
        t.ulTableEvent = TABLE_ROW_ADDED;
        break;
      case TableEventKind::RowDeleted:
        t.ulTableEvent = TABLE_ROW_DELETED;
        break;
      case TableEventKind::RowModified:
        t.ulTableEvent = TABLE_ROW_MODIFIED;
        break;
    }
    t.propIndex.ulPropTag = PR_INSTANCE_KEY;
    if (!block.CopyBytes(e.key, t.propIndex.Value.bin.cb, t.propIndex.Value.bin.lpb))
      return NotificationBlock(0);
    if (e.kind == TableEventKind::RowDeleted) continue;
    if (e.hasPrior) {
      t.propPrior.ulPropTag = PR_INSTANCE_KEY;
      if (!block.CopyBytes(e.priorKey, t.propPrior.Value.bin.cb, t.propPrior.Value.bin.lpb))
        return NotificationBlock(0);
    }
    const Row& row = rows_[view_[e.index]];
    if (FAILED(RowToPropsOn(row, columns_.empty() ? nullptr : columns.get(), block.base(),
                            &t.row.cValues, &t.row.lpProps)))
      return NotificationBlock(0);
  }
  return block;
}

STDMETHODIMP Table::GetLastError(HRESULT, ULONG, LPMAPIERROR* error) {
  if (!error) return MAPI_E_INVALID_PARAMETER;
  *error = nullptr;
  return S_OK;
}

STDMETHODIMP Table::Advise(ULONG mask, LPMAPIADVISESINK sink, ULONG* connection) {
  if (!sink || !connection) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMAPITable::Advise", mask, {}, name_);
  if (HRESULT hr = Check("Advise"); FAILED(hr)) return hr;
  const ULONG c = delivery::Subscribe(sink);
  if (!c) return MAPI_E_CALL_FAILED;
  std::lock_guard guard(lock_);
  sinks_[c] = mask;
  *connection = c;
  return S_OK;
}

STDMETHODIMP Table::Unadvise(ULONG connection) {
  {
    std::lock_guard guard(lock_);
    if (!sinks_.erase(connection)) return MAPI_E_NOT_FOUND;
  }
  delivery::Unsubscribe(connection);
  return S_OK;
}

STDMETHODIMP Table::GetStatus(ULONG* status, ULONG* type) {
  if (!status || !type) return MAPI_E_INVALID_PARAMETER;
  *status = TBLSTAT_COMPLETE;
  *type = TBLTYPE_SNAPSHOT;
  return S_OK;
}

STDMETHODIMP Table::SetColumns(LPSPropTagArray columns, ULONG flags) {
  // 1. Arguments.
  if (!columns) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMAPITable::SetColumns", flags,
                   std::vector<ULONG>(columns->aulPropTag, columns->aulPropTag + columns->cValues),
                   name_);
  if (HRESULT hr = Check("SetColumns"); FAILED(hr)) return hr;
  // 2. The new column set.
  std::lock_guard guard(lock_);
  columns_.assign(columns->aulPropTag, columns->aulPropTag + columns->cValues);
  return S_OK;
}

STDMETHODIMP Table::QueryColumns(ULONG flags, LPSPropTagArray* columns) {
  if (!columns) return MAPI_E_INVALID_PARAMETER;
  std::lock_guard guard(lock_);
  if (!(flags & TBL_ALL_COLUMNS)) return MakeTagArray(columns_, columns);
  std::vector<ULONG> all;
  for (const Row& row : rows_) {
    for (const Prop& p : row) {
      if (std::find(all.begin(), all.end(), p.tag) == all.end()) all.push_back(p.tag);
    }
  }
  return MakeTagArray(all, columns);
}

STDMETHODIMP Table::GetRowCount(ULONG, ULONG* count) {
  if (!count) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = Check("GetRowCount"); FAILED(hr)) return hr;
  std::lock_guard guard(lock_);
  *count = static_cast<ULONG>(view_.size());
  return S_OK;
}

HRESULT Table::PositionOf(BOOKMARK origin, std::size_t& position) const {
  if (origin == BOOKMARK_BEGINNING) {
    position = 0;
  } else if (origin == BOOKMARK_CURRENT) {
    position = cursor_;
  } else if (origin == BOOKMARK_END) {
    position = view_.size();
  } else {
    auto it = bookmarks_.find(origin);
    if (it == bookmarks_.end()) return MAPI_E_INVALID_BOOKMARK;
    position = it->second;
  }
  return S_OK;
}

STDMETHODIMP Table::SeekRow(BOOKMARK origin, LONG count, LONG* sought) {
  std::lock_guard guard(lock_);
  // 1. The starting point.
  std::size_t start = 0;
  if (HRESULT hr = PositionOf(origin, start); FAILED(hr)) return hr;
  // 2. Move, stopping at either end.
  long long target = static_cast<long long>(start) + count;
  target = std::clamp<long long>(target, 0, static_cast<long long>(view_.size()));
  if (sought) *sought = static_cast<LONG>(target - static_cast<long long>(start));
  cursor_ = static_cast<std::size_t>(target);
  return S_OK;
}

STDMETHODIMP Table::SeekRowApprox(ULONG numerator, ULONG denominator) {
  if (denominator == 0) return MAPI_E_INVALID_PARAMETER;
  std::lock_guard guard(lock_);
  cursor_ = std::min<std::size_t>(
      view_.size(), static_cast<std::size_t>(static_cast<unsigned long long>(view_.size()) *
                                             numerator / denominator));
  return S_OK;
}

STDMETHODIMP Table::QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) {
  if (!row || !numerator || !denominator) return MAPI_E_INVALID_PARAMETER;
  std::lock_guard guard(lock_);
  *row = static_cast<ULONG>(cursor_);
  *numerator = static_cast<ULONG>(cursor_);
  *denominator = static_cast<ULONG>(std::max<std::size_t>(1, view_.size()));
  return S_OK;
}

STDMETHODIMP Table::FindRow(LPSRestriction restriction, BOOKMARK origin, ULONG flags) {
  // 1. Arguments.
  if (!restriction) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMAPITable::FindRow", flags, {}, name_);
  if (HRESULT hr = Check("FindRow"); FAILED(hr)) return hr;
  const Restriction r = FromSRestriction(*restriction);
  std::lock_guard guard(lock_);
  // 2. The starting row.
  std::size_t start = 0;
  if (HRESULT hr = PositionOf(origin, start); FAILED(hr)) return hr;
  // 3. Search forward, or backward with DIR_BACKWARD; the cursor lands on the match.
  if (flags & DIR_BACKWARD) {
    for (std::size_t i = start; i-- > 0;) {
      if (Matches(r, rows_[view_[i]])) {
        cursor_ = i;
        return S_OK;
      }
    }
  } else {
    for (std::size_t i = start; i < view_.size(); ++i) {
      if (Matches(r, rows_[view_[i]])) {
        cursor_ = i;
        return S_OK;
      }
    }
  }
  return MAPI_E_NOT_FOUND;
}

STDMETHODIMP Table::Restrict(LPSRestriction restriction, ULONG flags) {
  control::Journal("IMAPITable::Restrict", flags, {}, name_);
  if (HRESULT hr = Check("Restrict"); FAILED(hr)) return hr;
  std::lock_guard guard(lock_);
  restricted_ = restriction != nullptr;
  if (restriction) restriction_ = FromSRestriction(*restriction);
  RebuildView();
  return S_OK;
}

STDMETHODIMP Table::CreateBookmark(BOOKMARK* position) {
  if (!position) return MAPI_E_INVALID_PARAMETER;
  std::lock_guard guard(lock_);
  *position = nextBookmark_++;
  bookmarks_[*position] = cursor_;
  return S_OK;
}

STDMETHODIMP Table::FreeBookmark(BOOKMARK position) {
  if (position <= BOOKMARK_END) return S_OK;
  std::lock_guard guard(lock_);
  return bookmarks_.erase(position) ? S_OK : MAPI_E_INVALID_BOOKMARK;
}

STDMETHODIMP Table::SortTable(LPSSortOrderSet criteria, ULONG flags) {
  if (!criteria) return MAPI_E_INVALID_PARAMETER;
  control::Journal("IMAPITable::SortTable", flags, {}, name_);
  if (HRESULT hr = Check("SortTable"); FAILED(hr)) return hr;
  if (criteria->cCategories != 0) return MAPI_E_TOO_COMPLEX;
  for (ULONG i = 0; i < criteria->cSorts; ++i) {
    const ULONG order = criteria->aSort[i].ulOrder;
    if (order != TABLE_SORT_ASCEND && order != TABLE_SORT_DESCEND) return MAPI_E_TOO_COMPLEX;
    if (PROP_TYPE(criteria->aSort[i].ulPropTag) & MV_FLAG) return MAPI_E_TOO_COMPLEX;
  }
  std::lock_guard guard(lock_);
  sort_ = FromSortOrderSet(*criteria);
  RebuildView();
  return S_OK;
}

STDMETHODIMP Table::QuerySortOrder(LPSSortOrderSet* criteria) {
  if (!criteria) return MAPI_E_INVALID_PARAMETER;
  std::lock_guard guard(lock_);
  void* block = nullptr;
  HRESULT hr = MAPIAllocateBuffer(CbNewSSortOrderSet(sort_.size()), &block);
  if (FAILED(hr)) return hr;
  auto* set = static_cast<SSortOrderSet*>(block);
  set->cSorts = static_cast<ULONG>(sort_.size());
  set->cCategories = 0;
  set->cExpanded = 0;
  for (std::size_t i = 0; i < sort_.size(); ++i) {
    set->aSort[i].ulPropTag = sort_[i].tag;
    set->aSort[i].ulOrder = sort_[i].descending ? TABLE_SORT_DESCEND : TABLE_SORT_ASCEND;
  }
  *criteria = set;
  return S_OK;
}

STDMETHODIMP Table::QueryRows(LONG count, ULONG flags, LPSRowSet* rows) {
  // 1. Arguments.
  if (!rows) return MAPI_E_INVALID_PARAMETER;
  *rows = nullptr;
  if (count == 0) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = Check("QueryRows"); FAILED(hr)) return hr;
  std::lock_guard guard(lock_);
  // 2. The rows from the cursor, forward, or backward for a negative count.
  std::vector<const Row*> picked;
  std::size_t newCursor = cursor_;
  if (count > 0) {
    const std::size_t end = std::min(view_.size(), cursor_ + static_cast<std::size_t>(count));
    picked.reserve(end - cursor_);
    for (std::size_t i = cursor_; i < end; ++i) picked.push_back(&rows_[view_[i]]);
    newCursor = end;
  } else {
    const std::size_t back =
        std::min(cursor_, static_cast<std::size_t>(-static_cast<long long>(count)));
    for (std::size_t i = cursor_ - back; i < cursor_; ++i) picked.push_back(&rows_[view_[i]]);
    newCursor = cursor_ - back;
  }
  // 3. Copy out with the current columns; the cursor moves unless TBL_NOADVANCE.
  SPropTagArray* cols = nullptr;
  MapiBuffer<SPropTagArray> colBuffer;
  HRESULT hr = MakeTagArray(columns_, colBuffer.put());
  if (FAILED(hr)) return hr;
  cols = colBuffer.get();
  hr = MakeRowSet(picked, columns_.empty() ? nullptr : cols, rows);
  if (FAILED(hr)) return hr;
  if (!(flags & TBL_NOADVANCE)) cursor_ = newCursor;
  return S_OK;
}

STDMETHODIMP Table::Abort() {
  return S_OK;
}

STDMETHODIMP Table::ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) {
  return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP Table::CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) {
  return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP Table::WaitForCompletion(ULONG, ULONG, ULONG* status) {
  if (status) *status = TBLSTAT_COMPLETE;
  return S_OK;
}
STDMETHODIMP Table::GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) {
  return MAPI_E_NO_SUPPORT;
}
STDMETHODIMP Table::SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) {
  return MAPI_E_NO_SUPPORT;
}

}  // namespace mapistandin
