#include "support/ProfileAdmin.h"

#include <mapiutil.h>

#include "KelMsgs.h"
#include "foundation/MapiOwned.h"

using kelmsgs::ComPtr;

ComPtr<IMAPISession> MapiSessionOf(IQMXSession* session) {
  ComPtr<IUnknown> object;
  ComPtr<IMAPISession> mapi;
  if (SUCCEEDED(session->get_MAPIObject(object.put())) && object)
    object->QueryInterface(IID_IMAPISession, mapi.put_void());
  return mapi;
}

ComPtr<IProviderAdmin> ServiceProviders(IMAPISession* mapi, const std::string& service) {
  ComPtr<IMsgServiceAdmin> admin;
  ComPtr<IMAPITable> services;
  ComPtr<IProviderAdmin> providers;
  if (!mapi || FAILED(mapi->AdminServices(0, admin.put())) ||
      FAILED(admin->GetMsgServiceTable(0, services.put())))
    return providers;
  SizedSPropTagArray(2, cols) = {2, {PR_SERVICE_UID, PR_DISPLAY_NAME_A}};
  kelmsgs::RowSet rows;
  if (FAILED(HrQueryAllRows(services.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr,
                            nullptr, 0, rows.put())))
    return providers;
  for (ULONG i = 0; i < rows.get()->cRows; ++i) {
    const SRow& row = rows.get()->aRow[i];
    if (PROP_TYPE(row.lpProps[1].ulPropTag) == PT_STRING8 && service == row.lpProps[1].Value.lpszA)
      admin->AdminProviders(reinterpret_cast<LPMAPIUID>(row.lpProps[0].Value.bin.lpb), 0,
                            providers.put());
  }
  return providers;
}

HRESULT AddPersonalStore(IProviderAdmin* providers, const std::string& dir, const char* name,
                         MAPIUID& uid) {
  const std::string path = dir + "\\" + name + ".kms";
  SPropValue props[2] = {};
  props[0].ulPropTag = PR_DISPLAY_NAME_A;
  props[0].Value.lpszA = const_cast<LPSTR>(name);
  props[1].ulPropTag = PROP_TAG(PT_STRING8, 0x6700);  // the store file
  props[1].Value.lpszA = const_cast<LPSTR>(path.c_str());
  return providers->CreateProvider(const_cast<LPTSTR>("MSPST MS"), 2, props, 0, 0, &uid);
}
