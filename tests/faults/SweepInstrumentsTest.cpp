// The sweep's instruments can see what they are for: the stand-in's outstanding counts,
// its list of operations called, one-call faults, allocation faults; and a run's report
// names a member that breaks its rules and whatever a run leaves behind.
#include <windows.h>
#include <mapix.h>

#include <gtest/gtest.h>

#include "StandinProbe.h"
#include "SweepRun.h"
#include "foundation/ComPtr.h"
#include "foundation/MapiOwned.h"

using kelmsgs::ComPtr;
using kelmsgs::MapiBuffer;

namespace {

class SweepInstruments : public testing::Test {
 protected:
  void SetUp() override {
    probe::ClearFaults();
    probe::ClearFaultPoints();
  }
  void TearDown() override { probe::ClearFaults(); }
  static HRESULT AdminProfiles(ComPtr<IProfAdmin>& admin) {
    return MAPIAdminProfiles(0, admin.put());
  }
};

// Chained blocks go with their first block; a refused allocation leaves nothing behind.
TEST_F(SweepInstruments, OutstandingCountsAndAllocationFaults) {
  const Outstanding before = probe::Now();
  MapiBuffer<BYTE> block;
  ASSERT_EQ(MAPIAllocateBuffer(16, reinterpret_cast<void**>(block.put())), S_OK);
  void* more = nullptr;
  ASSERT_EQ(MAPIAllocateMore(16, block.get(), &more), S_OK);
  ComPtr<IProfAdmin> admin;
  ASSERT_EQ(AdminProfiles(admin), S_OK);
  EXPECT_EQ(probe::Now(), (Outstanding{before.objects + 1, before.buffers + 1}));
  admin.reset();
  probe::FailOnce("MAPIAllocateMore", MAPI_E_NOT_ENOUGH_MEMORY, 0);
  EXPECT_EQ(MAPIAllocateMore(8, block.get(), &more), MAPI_E_NOT_ENOUGH_MEMORY);
  block.reset();
  EXPECT_EQ(probe::Now(), before);
  probe::FailOnce("MAPIAllocateBuffer", MAPI_E_NOT_ENOUGH_MEMORY, 0);
  void* refused = reinterpret_cast<void*>(1);
  EXPECT_EQ(MAPIAllocateBuffer(8, &refused), MAPI_E_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(probe::Now(), before);
}

// Operations are counted under their fault names; a one-call fault hits that call only.
TEST_F(SweepInstruments, OperationsAreCountedAndOneCallFails) {
  ComPtr<IProfAdmin> admin;
  ASSERT_EQ(AdminProfiles(admin), S_OK);
  ASSERT_EQ(AdminProfiles(admin), S_OK);
  ComPtr<IMAPITable> table;
  ASSERT_EQ(admin->GetProfileTable(0, table.put()), S_OK);
  ULONG rows = 0;
  table->GetRowCount(0, &rows);
  const auto points = probe::FaultPoints();
  EXPECT_EQ(points.at("MAPIAdminProfiles"), 2u);
  EXPECT_EQ(points.at("GetProfileTable"), 1u);
  EXPECT_EQ(points.at("profiles.GetRowCount"), 1u);
  EXPECT_EQ(probe::Calls("MAPIAdminProfiles"), 2u);
  probe::ClearFaultPoints();
  EXPECT_TRUE(probe::FaultPoints().empty());

  probe::FailOnce("MAPIAdminProfiles", MAPI_E_CALL_FAILED, 1);
  EXPECT_EQ(AdminProfiles(admin), S_OK);
  EXPECT_EQ(AdminProfiles(admin), MAPI_E_CALL_FAILED);
  EXPECT_FALSE(admin);
  EXPECT_EQ(AdminProfiles(admin), S_OK);
  EXPECT_EQ(AdminProfiles(admin), S_OK);
}

// Scenarios that break the rules the sweep checks.
void* g_kept = nullptr;  // what Leaks leaves behind
void Leaks(MemberLog& log, const ScenarioContext&) {
  log.Call("MAPIAllocateBuffer", {}, [&] { return MAPIAllocateBuffer(4, &g_kept); });
}

void HidesTheFailure(MemberLog& log, const ScenarioContext&) {
  log.Call("Admin", PassesOn({"MAPIAdminProfiles"}), [] {
    ComPtr<IProfAdmin> admin;
    MAPIAdminProfiles(0, admin.put());
    return S_OK;
  });
}

// Its first call must be reported, the second may fail quietly.
void HidesTheFirstFailure(MemberLog& log, const ScenarioContext&) {
  log.Call("Admin twice", {false, {}, {"MAPIAdminProfiles"}}, [] {
    ComPtr<IProfAdmin> admin;
    MAPIAdminProfiles(0, admin.put());
    MAPIAdminProfiles(0, admin.put());
    return S_OK;
  });
}

void AnswersWithNothing(MemberLog& log, const ScenarioContext&) {
  ComPtr<IProfAdmin> admin;
  log.Call(
      "Admin", {true, {}, {}}, [&] { return S_OK; }, [&] { return !!admin; });
}

TEST_F(SweepInstruments, ReportNamesWhatIsLeftBehind) {
  const Outstanding before = probe::Now();
  const RunReport report = RunScenario(Leaks, {}, nullptr);
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_NE(report.problems[0].find("1 buffers"), std::string::npos) << report.problems[0];
  EXPECT_EQ(report.members, std::vector<std::string>{"MAPIAllocateBuffer"});
  EXPECT_EQ(probe::Now().buffers, before.buffers + 1);
  MAPIFreeBuffer(g_kept);
  EXPECT_EQ(probe::Now(), before);
}

// A member that hides a failure it must pass on, and one that answers S_OK without its
// object, are named; a failing call outside the member, or a later call of an operation
// whose first call alone is owed, is none of its business.
TEST_F(SweepInstruments, ReportNamesAMemberThatBreaksItsRules) {
  const char* const hid = "Admin hid the failure of MAPIAdminProfiles (0x00000000)";
  const char* const hidTwice = "Admin twice hid the failure of MAPIAdminProfiles (0x00000000)";
  const struct {
    Scenario run;
    ULONG skip;
    bool fail, lasting;
    std::vector<std::string> problems;
  } cases[] = {
      {HidesTheFailure, 0, false, false, {}},
      {HidesTheFailure, 0, true, false, {hid}},
      {HidesTheFailure, 1, true, false, {}},
      {HidesTheFirstFailure, 0, true, false, {hidTwice}},
      {HidesTheFirstFailure, 1, true, false, {}},
      {HidesTheFirstFailure, 0, true, true, {hidTwice}},
      {AnswersWithNothing, 0, false, false, {"Admin answered S_OK and handed out nothing"}},
  };
  for (const auto& c : cases) {
    const Injection injection{"MAPIAdminProfiles", c.skip, MAPI_E_CALL_FAILED, c.lasting};
    SCOPED_TRACE(c.fail ? injection.Describe() : "no injection");
    EXPECT_EQ(RunScenario(c.run, {}, c.fail ? &injection : nullptr).problems, c.problems);
  }
}

}  // namespace
