#include "FolderWalkBench.h"

#include <ocidl.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "foundation/ComPtr.h"
#include "foundation/MapiOwned.h"

namespace bench {

namespace {

using kelmsgs::ComPtr;

constexpr DISPID kFolderInfo = 9;
constexpr DISPID kEndFolderInfo = 10;
constexpr ULONG kBatch = 1000;
constexpr DWORD kEndWaitMs = 10000;

// The client's sink of the session's events: counts FolderInfo events and notes
// EndFolderInfo. It lives on the stack of the figure; the connection point's reference is
// given back by Unadvise before it goes.
class WalkSink final : public IDispatch {
 public:
  long folders = 0;
  bool ended = false;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID__IQMXSessionEvents)
      return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    // A folder event carries its seven arguments; the name is the last of them (reversed).
    if (id == kFolderInfo && params && params->cArgs == 7 && V_VT(&params->rgvarg[6]) == VT_BSTR)
      ++folders;
    if (id == kEndFolderInfo) ended = true;
    return S_OK;
  }

 private:
  std::atomic<ULONG> references_{0};
};

// The sink connected to the session's event interface for the connection's life.
class Connection {
 public:
  Connection(IQMXSession* session, IDispatch* sink) {
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(session->QueryInterface(IID_IConnectionPointContainer, container.put_void())) ||
        FAILED(container->FindConnectionPoint(DIID__IQMXSessionEvents, point_.put())) ||
        FAILED(point_->Advise(sink, &cookie_)))
      cookie_ = 0;
  }
  ~Connection() {
    if (cookie_) point_->Unadvise(cookie_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  bool connected() const { return cookie_ != 0; }

 private:
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// Dispatches the thread's window messages until the walk has ended or the time is up.
bool WaitForEnd(const WalkSink& sink) {
  const ULONGLONG deadline = GetTickCount64() + kEndWaitMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (sink.ended) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
}

// What a client keeps of each folder it lists: the same properties the session's events
// carry, the identifier as a string.
struct ListedFolder {
  std::string name, id, containerClass;
  LONG messages = 0;
  long indent = 0;
};

std::string Hex(const SBinary& bin) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text(bin.cb * 2, '0');
  for (ULONG i = 0; i < bin.cb; ++i) {
    text[2 * i] = digits[bin.lpb[i] >> 4];
    text[2 * i + 1] = digits[bin.lpb[i] & 15];
  }
  return text;
}

// One folder's listing: its properties, then its subfolders by name, depth first.
HRESULT ListFolder(IMAPIFolder* folder, long indent, long& listed) {
  // 1. The folder's own properties (the root is not listed, as the session's walk does).
  if (indent > 0) {
    SizedSPropTagArray(4, tags) = {
        4, {PR_DISPLAY_NAME_A, PR_ENTRYID, PR_CONTENT_COUNT, PR_CONTAINER_CLASS_A}};
    kelmsgs::PropValues values;
    ULONG count = 0;
    if (FAILED(
            folder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, values.put())) ||
        count != 4)
      return MAPI_E_CALL_FAILED;
    const SPropValue* v = values.get();
    ListedFolder item;
    if (v[0].ulPropTag == PR_DISPLAY_NAME_A) item.name = v[0].Value.lpszA;
    if (v[1].ulPropTag == PR_ENTRYID) item.id = Hex(v[1].Value.bin);
    if (v[2].ulPropTag == PR_CONTENT_COUNT) item.messages = v[2].Value.l;
    if (v[3].ulPropTag == PR_CONTAINER_CLASS_A) item.containerClass = v[3].Value.lpszA;
    item.indent = indent;
    if (!item.id.empty()) ++listed;
  }
  // 2. The subfolders' identifiers, by name.
  ComPtr<IMAPITable> table;
  HRESULT hr = folder->GetHierarchyTable(0, table.put());
  if (FAILED(hr)) return hr;
  SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
  SizedSSortOrderSet(1, order) = {1, 0, 0, {{PR_DISPLAY_NAME_A, TABLE_SORT_ASCEND}}};
  if (FAILED(hr = table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)) ||
      FAILED(hr = table->SortTable(reinterpret_cast<LPSSortOrderSet>(&order), 0)))
    return hr;
  // 3. Each one opened and listed.
  for (;;) {
    kelmsgs::RowSet batch;
    if (FAILED(hr = table->QueryRows(kBatch, 0, batch.put()))) return hr;
    if (batch.get()->cRows == 0) return S_OK;
    for (ULONG i = 0; i < batch.get()->cRows; ++i) {
      const SBinary& id = batch.get()->aRow[i].lpProps[0].Value.bin;
      ComPtr<IMAPIFolder> sub;
      ULONG type = 0;
      if (FAILED(hr = folder->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr,
                                        MAPI_BEST_ACCESS, &type,
                                        reinterpret_cast<LPUNKNOWN*>(sub.put()))) ||
          FAILED(hr = ListFolder(sub.get(), indent + 1, listed)))
        return hr;
    }
  }
}

}  // namespace

Times FolderWalkEvents(IQMXSession* session, IMAPIFolder* root, long& folders) {
  // 1. The sink, connected for the whole figure.
  WalkSink sink;
  Connection connection(session, &sink);
  if (!connection.connected()) {
    std::fputs("mapi_bench: no connection to the session's events\n", stderr);
    return {-1, -1};
  }
  // 2. The walks, alternating: the session's, whose events end before it returns (the
  // wait dispatches messages in case they do not), and the client's.
  long listed = 0;
  const Times times = BestOfBoth(
      [&] {
        sink.folders = 0;
        sink.ended = false;
        return SUCCEEDED(session->StartGetFolderInfo(VARIANT_FALSE)) && WaitForEnd(sink);
      },
      [&] {
        listed = 0;
        return SUCCEEDED(ListFolder(root, 0, listed));
      });
  // 3. The same folders both ways: the session's events also name the store.
  folders = listed;
  if (times.library < 0 || sink.folders != listed + 1) {
    std::fprintf(stderr, "mapi_bench: the walks saw %ld and %ld folders\n", sink.folders,
                 listed + 1);
    return {-1, -1};
  }
  return times;
}

}  // namespace bench
