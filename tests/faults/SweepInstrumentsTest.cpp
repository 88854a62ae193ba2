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

TEST_F(SweepInstruments, OutstandingCountsFirstBlocksAndObjects) {
  const Outstanding before = probe::Now();
  MapiBuffer<BYTE> block;
  ASSERT_EQ(MAPIAllocateBuffer(16, reinterpret_cast<void**>(block.put())), S_OK);
  void* more = nullptr;
  ASSERT_EQ(MAPIAllocateMore(16, block.get(), &more), S_OK);
  ComPtr<IProfAdmin> admin;
  ASSERT_EQ(AdminProfiles(admin), S_OK);
  // Chained blocks go with their first block: one buffer, one object.
  EXPECT_EQ(probe::Now(), (Outstanding{before.objects + 1, before.buffers + 1}));
  block.reset();
  admin.reset();
  EXPECT_EQ(probe::Now(), before);
}

TEST_F(SweepInstruments, OperationsCalledAreCountedUnderTheirFaultNames) {
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
}

TEST_F(SweepInstruments, OneCallFailsAndTheRuleIsSpent) {
  probe::FailOnce("MAPIAdminProfiles", MAPI_E_CALL_FAILED, 1);
  ComPtr<IProfAdmin> admin;
  EXPECT_EQ(AdminProfiles(admin), S_OK);
  EXPECT_EQ(AdminProfiles(admin), MAPI_E_CALL_FAILED);
  EXPECT_FALSE(admin);
  EXPECT_EQ(AdminProfiles(admin), S_OK);
  EXPECT_EQ(AdminProfiles(admin), S_OK);
}

TEST_F(SweepInstruments, AllocationsFailAsWhenMemoryRunsOut) {
  const Outstanding before = probe::Now();
  probe::FailOnce("MAPIAllocateBuffer", MAPI_E_NOT_ENOUGH_MEMORY, 0);
  void* block = reinterpret_cast<void*>(1);
  EXPECT_EQ(MAPIAllocateBuffer(8, &block), MAPI_E_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(probe::Now(), before);
  MapiBuffer<BYTE> first;
  ASSERT_EQ(MAPIAllocateBuffer(8, reinterpret_cast<void**>(first.put())), S_OK);
  probe::FailOnce("MAPIAllocateMore", MAPI_E_NOT_ENOUGH_MEMORY, 0);
  void* more = nullptr;
  EXPECT_EQ(MAPIAllocateMore(8, first.get(), &more), MAPI_E_NOT_ENOUGH_MEMORY);
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

TEST_F(SweepInstruments, ReportNamesAMemberThatHidesAFailureItMustPassOn) {
  EXPECT_TRUE(RunScenario(HidesTheFailure, {}, nullptr).problems.empty());
  const Injection injection{"MAPIAdminProfiles", 0, MAPI_E_CALL_FAILED};
  const RunReport report = RunScenario(HidesTheFailure, {}, &injection);
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0], "Admin hid the failure of MAPIAdminProfiles (0x00000000)");
  // A failing call outside the member is none of its business.
  const Injection later{"MAPIAdminProfiles", 1, MAPI_E_CALL_FAILED};
  EXPECT_TRUE(RunScenario(HidesTheFailure, {}, &later).problems.empty());
}

TEST_F(SweepInstruments, OnlyTheFirstCallOfAnOperationCanBeOwedItsFailure) {
  const Injection first{"MAPIAdminProfiles", 0, MAPI_E_CALL_FAILED};
  EXPECT_EQ(
      RunScenario(HidesTheFirstFailure, {}, &first).problems,
      std::vector<std::string>{"Admin twice hid the failure of MAPIAdminProfiles (0x00000000)"});
  const Injection second{"MAPIAdminProfiles", 1, MAPI_E_CALL_FAILED};
  EXPECT_TRUE(RunScenario(HidesTheFirstFailure, {}, &second).problems.empty());
  const Injection unavailable{"MAPIAdminProfiles", 0, MAPI_E_CALL_FAILED, true};
  EXPECT_EQ(RunScenario(HidesTheFirstFailure, {}, &unavailable).problems.size(), 1u);
}

TEST_F(SweepInstruments, ReportNamesSuccessWithoutTheObject) {
  const RunReport report = RunScenario(AnswersWithNothing, {}, nullptr);
  EXPECT_EQ(report.problems,
            std::vector<std::string>{"Admin answered S_OK and handed out nothing"});
}

}  // namespace
