// A client of the registered library, as a script host is one: the session comes from
// CoCreateInstance (so from the DLL of this program's bitness that registration names),
// every member is called late-bound through IDispatch, and new mail reaches the client's
// sink through the connection point.
#include <gtest/gtest.h>

#include <mapidefs.h>

#include <string>
#include <vector>

#include "EventSink.h"
#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "support/BstrText.h"
#include "support/MapiFixture.h"

using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::Variant;

namespace {

const char* const kProfile = R"({"profiles": [
  {"name": "ClientWork", "default": true, "services": [
    {"service": "MSPST MS", "displayName": "Personal Folders", "stores": [
      {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "short",
       "folders": [{"name": "Inbox", "messages": [{"class": "IPM.Note", "subject": "Old"}]}]}]}]}]})";

// Calls a member by name, with the arguments in the order the member declares them.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD kind, std::vector<VARIANT> args,
             Variant* result = nullptr) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  Variant ignored;
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params,
                        result ? result : &ignored, nullptr, nullptr);
}

// An argument of the given type, its value set by `set`.
template <class Set>
VARIANT Arg(VARTYPE type, Set set) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = type;
  set(v);
  return v;
}
VARIANT Bool(bool value) {
  return Arg(VT_BOOL, [&](VARIANT& v) { V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE; });
}
VARIANT Long(LONG value) {
  return Arg(VT_I4, [&](VARIANT& v) { V_I4(&v) = value; });
}
VARIANT Object(IDispatch* object) {
  return Arg(VT_DISPATCH, [&](VARIANT& v) { V_DISPATCH(&v) = object; });
}
VARIANT Text(BSTR text) {
  return Arg(VT_BSTR, [&](VARIANT& v) { V_BSTR(&v) = text; });
}

// The file the library was loaded from in this process.
std::wstring LoadedLibraryPath() {
  HMODULE module = GetModuleHandleW(L"KelMsgs.dll");
  if (!module) return L"";
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

std::wstring ProgramDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir = path;
  return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

TEST(RegisteredClientTest, LateBoundClientWalksTheMailboxAndHearsNewMail) {
  MapiFixture fixture(kProfile);
  ASSERT_TRUE(fixture.loaded()) << fixture.error();

  // 1. The session from the registration, in the library built next to this program.
  ComPtr<IDispatch> session;
  ASSERT_EQ(CoCreateInstance(CLSID_QMXSession, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             session.put_void()),
            S_OK);
  EXPECT_EQ(_wcsicmp(LoadedLibraryPath().c_str(), (ProgramDirectory() + L"KelMsgs.dll").c_str()), 0)
      << "loaded: " << std::string(LoadedLibraryPath().begin(), LoadedLibraryPath().end());

  // 2. Logon, with notifications on MAPI's own thread as the demo asks for them.
  ASSERT_EQ(Call(session.get(), L"MAPIInit", DISPATCH_METHOD, {Bool(true)}), S_OK);
  const Bstr empty = B(L"");
  Variant loggedOn;
  ASSERT_EQ(Call(session.get(), L"Logon", DISPATCH_METHOD, {Text(empty.get()), Text(empty.get())},
                 &loggedOn),
            S_OK);
  ASSERT_EQ(V_VT(&loggedOn), VT_BOOL);
  ASSERT_EQ(V_BOOL(&loggedOn), VARIANT_TRUE);

  // 3. The store and its inbox, late-bound.
  Variant store;
  ASSERT_EQ(Call(session.get(), L"MsgStore", DISPATCH_PROPERTYGET, {Long(0)}, &store), S_OK);
  ASSERT_EQ(V_VT(&store), VT_DISPATCH);
  Variant inbox;
  ASSERT_EQ(Call(V_DISPATCH(&store), L"StandardFolder", DISPATCH_PROPERTYGET, {Long(0)}, &inbox),
            S_OK);
  ASSERT_EQ(V_VT(&inbox), VT_DISPATCH);
  Variant subject;
  ASSERT_EQ(Call(V_DISPATCH(&inbox), L"MessageProperty", DISPATCH_PROPERTYGET, {Long(0), Long(2)},
                 &subject),
            S_OK);
  ASSERT_EQ(V_VT(&subject), VT_BSTR);
  EXPECT_EQ(Str(V_BSTR(&subject)), L"Old");

  // 4. New mail in the advised store reaches the client's sink.
  EventSink sink;
  ASSERT_EQ(sink.Connect(session.get()), S_OK);
  ASSERT_EQ(Call(V_DISPATCH(&store), L"Advise", DISPATCH_METHOD, {Object(session.get())}), S_OK);
  ASSERT_EQ(MapiFixture::DeliverMail("ClientWork", R"({"subject": "Fresh", "class": "IPM.Note"})"),
            S_OK);
  EXPECT_TRUE(PumpUntil([&] { return !sink.MessageEvents(fnevNewMail).empty(); }));
  ASSERT_EQ(Call(V_DISPATCH(&store), L"Unadvise", DISPATCH_METHOD, {}), S_OK);
  sink.Disconnect();

  // 5. Logoff.
  inbox.clear();
  store.clear();
  ASSERT_EQ(Call(session.get(), L"Logoff", DISPATCH_METHOD, {Bool(true)}), S_OK);
}

}  // namespace
