#include "frame/ErrorReport.h"

#include <string>

#include "foundation/AnsiText.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"

namespace kelmsgs {

namespace {
struct CoTaskStringTraits {
  static LPOLESTR invalid() noexcept { return nullptr; }
  static void close(LPOLESTR s) noexcept { CoTaskMemFree(s); }
};
using CoTaskString = Owned<LPOLESTR, CoTaskStringTraits>;

HRESULT Report(REFCLSID clsid, const std::wstring& description, DWORD helpContext,
               LPCOLESTR helpFile, REFIID iid, HRESULT hr) {
  // 2. The error object: interface, source ProgID, help, description.
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put()))) {
    create->SetGUID(iid);
    CoTaskString progId;
    if (SUCCEEDED(ProgIDFromCLSID(clsid, progId.put()))) create->SetSource(progId.get());
    if (helpContext != 0 && helpFile) {
      create->SetHelpContext(helpContext);
      create->SetHelpFile(const_cast<LPOLESTR>(helpFile));
    }
    create->SetDescription(const_cast<LPOLESTR>(description.c_str()));
    // 3. Hand it to the thread.
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.query(info))) SetErrorInfo(0, info.get());
  }
  // 4. The caller's result.
  return hr != 0 ? hr : DISP_E_EXCEPTION;
}
}  // namespace

HRESULT ReportError(REFCLSID clsid, UINT descriptionId, DWORD helpContext, LPCOLESTR helpFile,
                    REFIID iid, HRESULT hr, HINSTANCE resources) {
  // 1. The text of the string-table entry.
  char text[1024] = {};
  if (LoadStringA(resources, descriptionId, text, sizeof text) <= 0)
    lstrcpynA(text, "Unknown Error", sizeof text);
  if (hr == 0) hr = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, descriptionId);
  return Report(clsid, WideFromAnsi(text), helpContext, helpFile, iid, hr);
}

HRESULT ReportError(REFCLSID clsid, const char* description, DWORD helpContext, LPCOLESTR helpFile,
                    REFIID iid, HRESULT hr) {
  return Report(clsid, WideFromAnsi(description), helpContext, helpFile, iid, hr);
}

}  // namespace kelmsgs
