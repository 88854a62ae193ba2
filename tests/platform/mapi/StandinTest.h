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

// The control exports of the loaded mapi32.dll.
struct Controls {
  decltype(&StandinSetFault) setFault;
  decltype(&StandinClearFaults) clearFaults;
  decltype(&StandinSetLogonUiAnswer) setLogonUiAnswer;
  decltype(&StandinSetSizeLimit) setSizeLimit;
  decltype(&StandinLoadFixture) loadFixture;
  decltype(&StandinGenerateProfile) generateProfile;
  decltype(&StandinResetProfiles) resetProfiles;
  decltype(&StandinLiveObjects) liveObjects;
  decltype(&StandinDeliverMail) deliverMail;
  decltype(&StandinRaiseExtended) raiseExtended;
  decltype(&StandinNotifyConnections) notifyConnections;
};
const Controls& Control();

using standin::Journal;

// The restriction that compares the property of the value's tag with the value.
SRestriction PropertyIs(ULONG relop, SPropValue* value);

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
  // MAPIInitialize and a logon to the default profile.
  void Logon();
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
