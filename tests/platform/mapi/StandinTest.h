// Shared set-up of the messaging stand-in's tests: the control exports, a fresh profile
// described in JSON in a directory of its own, and a logged-on session.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "include/MapiStandinControl.h"
#include "support/StandinControls.h"
#include "util/Owners.h"

namespace standin_test {

using mapistandin::MapiBuffer;
using mapistandin::Ref;
using mapistandin::RowSetOwner;

// A control export of the loaded mapi32.dll by its declared name without the prefix:
// STANDIN(SetFault) is StandinSetFault.
#define STANDIN(name) ::standin::Control<decltype(&Standin##name)>("Standin" #name)

using standin::Journal;

// The restriction that compares the property of the value's tag with the value.
SRestriction PropertyIs(ULONG relop, SPropValue* value);

// An entry identifier kept in a string, in the form MAPI's calls take it.
inline ULONG Cb(const std::string& id) {
  return static_cast<ULONG>(id.size());
}
inline LPENTRYID Eid(const std::string& id) {
  return id.empty() ? nullptr : reinterpret_cast<LPENTRYID>(const_cast<char*>(id.data()));
}
inline std::string Bytes(const SBinary& bin) {
  return std::string(reinterpret_cast<const char*>(bin.lpb), bin.cb);
}

// Opens an entry through a session, store, container or address book.
template <class From, class T>
HRESULT OpenId(From* from, const std::string& id, T** out, ULONG flags = MAPI_BEST_ACCESS,
               ULONG* type = nullptr) {
  ULONG ignored = 0;
  return from->OpenEntry(Cb(id), Eid(id), nullptr, flags, type ? type : &ignored,
                         reinterpret_cast<LPUNKNOWN*>(out));
}

inline SPropValue Str(ULONG tag, const char* text) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.lpszA = const_cast<LPSTR>(text);
  return v;
}
inline SPropValue Long(ULONG tag, LONG value) {
  SPropValue v{};
  v.ulPropTag = tag;
  v.Value.l = value;
  return v;
}
inline SSortOrderSet SortBy(ULONG tag, ULONG order = TABLE_SORT_ASCEND) {
  return SSortOrderSet{1, 0, 0, {{tag, order}}};
}

// Every row of the table with these columns.
RowSetOwner QueryAll(IMAPITable* table, std::vector<ULONG> columns, SRestriction* where = nullptr,
                     SSortOrderSet* order = nullptr);
HRESULT SetColumns(IMAPITable* table, std::vector<ULONG> columns);
// GetProps of these tags (as many values as tags).
HRESULT GetProps(IMAPIProp* object, std::vector<ULONG> tags, MapiBuffer<SPropValue>& values);

// Recipient entries the way clients build them: display name and recipient type in a block
// of their own.
struct AdrListOwner {
  explicit AdrListOwner(std::vector<std::string> wanted);
  ~AdrListOwner() { FreePadrlist(list); }
  const SPropValue* Find(ULONG entry, ULONG tag) const {
    return PpropFindProp(list->aEntries[entry].rgPropVals, list->aEntries[entry].cValues, tag);
  }
  std::string Text(ULONG entry, ULONG tag) const {
    const SPropValue* v = Find(entry, tag);
    return v ? v->Value.lpszA : "";
  }
  std::vector<std::string> names;  // the display names point into these
  LPADRLIST list = nullptr;
};

// A directory below the temporary directory, made empty.
std::string ScratchDir(const std::string& name);

// The sample profile description shipped for the demo.
std::string SampleProfilePath();

class StandinTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Loads the description (profiles with their stores under the scratch directory).
  void Load(const std::string& json);
  // MAPIInitialize (with these flags) and a logon to the default profile.
  void Logon(ULONG initFlags = 0);
  // The store of the session's store table with that display name.
  Ref<IMsgStore> OpenStore(const std::string& displayName,
                           ULONG flags = MAPI_BEST_ACCESS | MDB_WRITE);
  Ref<IMAPIFolder> OpenFolder(IMsgStore* store, ULONG idTag);
  Ref<IMAPIFolder> Subfolder(IMAPIFolder* parent, const std::string& name);
  // A folder directly below the store's IPM subtree.
  Ref<IMAPIFolder> TopFolder(IMsgStore* store, const std::string& name);
  // The provider administration of the session's message service with that display name.
  Ref<IProviderAdmin> ServiceProviders(const std::string& serviceName);
  std::string BinaryProp(IMAPIProp* object, ULONG tag);
  std::string StringProp(IMAPIProp* object, ULONG tag);
  LONG LongProp(IMAPIProp* object, ULONG tag);
  ULONG RowCount(IMAPITable* table);
  Ref<IMAPITable> Contents(IMAPIFolder* folder);
  // A new saved message with that subject, kept open for writing.
  Ref<IMessage> NewMessage(IMAPIFolder* folder, const char* subject);

  std::string dir_;
  Ref<IMAPISession> session_;
  bool initialized_ = false;
};

// Logged on to the small profile below, with its "Mailbox" store, the store's IPM subtree
// and the inbox in it.
class SmallMailboxTest : public StandinTest {
 protected:
  void SetUp() override;

  Ref<IMsgStore> store_;
  Ref<IMAPIFolder> root_;
  Ref<IMAPIFolder> inbox_;
};

// A small profile: the default store "Mailbox" (short identifiers) with mail folders and
// messages, "Archive" (long identifiers) and a public store.
extern const char* const kSmallProfile;

}  // namespace standin_test
