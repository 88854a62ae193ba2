// One IMAPITable over a snapshot of rows: columns, restriction, sort order, cursor and
// bookmarks. Every table of the stand-in (profiles, services, providers, stores, status,
// folders, contents, attachments, recipients) is one of these.
#pragma once

#include <mapix.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/Restriction.h"
#include "core/TableDiff.h"
#include "notify/NotificationBlock.h"
#include "core/RowOrder.h"
#include "util/ComObject.h"
#include "util/Owners.h"

namespace mapistandin {

class Table : public IMAPITable, public ComObject {
 public:
  // name: what the call journal and fault injection call the table ("contents", ...).
  Table(std::string name, std::vector<Row> rows, std::vector<ULONG> defaultColumns);

  STANDIN_IUNKNOWN
  STDMETHODIMP GetLastError(HRESULT hr, ULONG flags, LPMAPIERROR* error) override;
  STDMETHODIMP Advise(ULONG mask, LPMAPIADVISESINK sink, ULONG* connection) override;
  STDMETHODIMP Unadvise(ULONG connection) override;
  STDMETHODIMP GetStatus(ULONG* status, ULONG* type) override;
  STDMETHODIMP SetColumns(LPSPropTagArray columns, ULONG flags) override;
  STDMETHODIMP QueryColumns(ULONG flags, LPSPropTagArray* columns) override;
  STDMETHODIMP GetRowCount(ULONG flags, ULONG* count) override;
  STDMETHODIMP SeekRow(BOOKMARK origin, LONG count, LONG* sought) override;
  STDMETHODIMP SeekRowApprox(ULONG numerator, ULONG denominator) override;
  STDMETHODIMP QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) override;
  STDMETHODIMP FindRow(LPSRestriction restriction, BOOKMARK origin, ULONG flags) override;
  STDMETHODIMP Restrict(LPSRestriction restriction, ULONG flags) override;
  STDMETHODIMP CreateBookmark(BOOKMARK* position) override;
  STDMETHODIMP FreeBookmark(BOOKMARK position) override;
  STDMETHODIMP SortTable(LPSSortOrderSet criteria, ULONG flags) override;
  STDMETHODIMP QuerySortOrder(LPSSortOrderSet* criteria) override;
  STDMETHODIMP QueryRows(LONG count, ULONG flags, LPSRowSet* rows) override;
  STDMETHODIMP Abort() override;
  STDMETHODIMP ExpandRow(ULONG cbKey, LPBYTE key, ULONG rowCount, ULONG flags, LPSRowSet* rows,
                         ULONG* moreRows) override;
  STDMETHODIMP CollapseRow(ULONG cbKey, LPBYTE key, ULONG flags, ULONG* rowCount) override;
  STDMETHODIMP WaitForCompletion(ULONG flags, ULONG timeout, ULONG* status) override;
  STDMETHODIMP GetCollapseState(ULONG flags, ULONG cbKey, LPBYTE key, ULONG* cbState,
                                LPBYTE* state) override;
  STDMETHODIMP SetCollapseState(ULONG flags, ULONG cbState, LPBYTE state,
                                BOOKMARK* location) override;

  ~Table() override;

  // Replaces the rows; the view is rebuilt and advised sinks hear what changed in it
  // (rows added, deleted or modified, or the whole table when much changed).
  void ReplaceRows(std::vector<Row> rows);
  // Runs when the last reference goes (owners that track their tables forget it).
  void SetOnDestroy(std::function<void()> f) { onDestroy_ = std::move(f); }

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  void RebuildView();  // under lock_
  // The view position a bookmark (or BOOKMARK_BEGINNING/CURRENT/END) names; under lock_.
  HRESULT PositionOf(BOOKMARK origin, std::size_t& position) const;
  std::vector<KeyedRow> KeyedView() const;                             // under lock_
  NotificationBlock MakeBatch(const std::vector<TableEvent>& events);  // under lock_
  HRESULT Check(const char* operation);

  std::mutex lock_;
  std::string name_;
  std::vector<Row> rows_;
  std::vector<ULONG> columns_;
  bool restricted_ = false;
  Restriction restriction_;
  std::vector<SortKey> sort_;
  std::vector<std::size_t> view_;  // indexes into rows_ after restriction and sort
  std::size_t cursor_ = 0;
  std::map<BOOKMARK, std::size_t> bookmarks_;
  BOOKMARK nextBookmark_ = 3;
  std::map<ULONG, ULONG> sinks_;  // connection -> event mask
  std::function<void()> onDestroy_;
};

}  // namespace mapistandin
