// Faults everywhere: each scenario of the demo runs once cleanly, which tells every MAPI
// operation it calls (the stand-in's fault names) and how often; then once per call, with
// that one call failing (the first three calls of an operation and its last), and once
// with every call of the operation failing. Every run
// must end without a crash, with every member keeping its rules (no S_OK without the
// object it answers with, no hidden failure where the member passes MAPI's answer on),
// and with the stand-in holding no more objects and MAPI buffers than before it.
#include <windows.h>

#include <gtest/gtest.h>

#include <mapix.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "StandinProbe.h"
#include "SweepRun.h"
#include "support/MapiFixture.h"

namespace {

// What the sweep is doing, for the crash report.
char g_running[256] = "starting";

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "CRASH 0x%08lX at %p while %s\n",
               static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
               info->ExceptionRecord->ExceptionAddress, g_running);
  std::fflush(stderr);
  ExitProcess(3);
}

void ReportTerminate() {
  std::fprintf(stderr, "UNCAUGHT EXCEPTION while %s\n", g_running);
  std::fflush(stderr);
  ExitProcess(3);
}

std::string SampleProfile() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir = path;
  return dir.substr(0, dir.find_last_of('\\') + 1) + "sample-profile.json";
}

// The calls of an operation that are made to fail: the first three and the last, or every
// one with KELMSGS_FAULT_SWEEP=all in the environment (a few minutes under Wine).
std::set<ULONG> Picked(ULONG calls) {
  char mode[8] = {};
  const bool all = GetEnvironmentVariableA("KELMSGS_FAULT_SWEEP", mode, sizeof mode) == 3 &&
                   std::string(mode) == "all";
  std::set<ULONG> picked;
  for (ULONG i = 0; i < calls && (all || i < 3); ++i) picked.insert(i);
  if (calls > 0) picked.insert(calls - 1);
  return picked;
}

HRESULT FailureFor(const std::string& operation) {
  return operation.rfind("MAPIAllocate", 0) == 0 ? MAPI_E_NOT_ENOUGH_MEMORY : MAPI_E_CALL_FAILED;
}

struct SweepCase {
  const char* name;
  Scenario run;
  const char* landmark;  // what the clean run reaches
};

void PrintTo(const SweepCase& sweep, std::ostream* out) {
  *out << sweep.name;
}

class FaultSweep : public testing::TestWithParam<SweepCase> {
 protected:
  static void SetUpTestSuite() {
    SetUnhandledExceptionFilter(ReportCrash);
    std::set_terminate(ReportTerminate);
  }

  void SetUp() override {
    ASSERT_TRUE(fixture_.loaded()) << fixture_.error();
    saveDir_ = fixture_.directory() + "\\saved";
    CreateDirectoryA(saveDir_.c_str(), nullptr);
    // The attachment object copies data below the temporary directory's "QLA\".
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    CreateDirectoryA((std::string(temp) + "QLA").c_str(), nullptr);
  }

  // One run of the scenario; what is wrong after it is reported against `what`. Answers
  // the members the run called.
  std::vector<std::string> RunOnce(const Injection* injection, const std::string& what) {
    std::snprintf(g_running, sizeof g_running, "%s: %s", GetParam().name, what.c_str());
    const RunReport report = RunScenario(GetParam().run, {"Mail", saveDir_}, injection);
    for (const std::string& problem : report.problems) ADD_FAILURE() << what << ": " << problem;
    return report.members;
  }

  MapiFixture fixture_{SampleProfile()};
  std::string saveDir_;
};

TEST_P(FaultSweep, EveryCallFailingInTurn) {
  const std::vector<std::string> clean = RunOnce(nullptr, "the clean run");
  ASSERT_NE(std::find(clean.begin(), clean.end(), GetParam().landmark), clean.end())
      << "the clean run did not reach " << GetParam().landmark;
  const auto points = probe::FaultPoints();
  ASSERT_FALSE(points.empty());
  int runs = 0;
  for (const auto& [operation, calls] : points) {
    for (ULONG skip : Picked(calls)) {
      const Injection injection{operation, skip, FailureFor(operation)};
      RunOnce(&injection, injection.Describe());
      ++runs;
    }
    // The operation unavailable altogether: retries and later steps meet it as well.
    const Injection always{operation, 0, FailureFor(operation), true};
    RunOnce(&always, always.Describe());
    ++runs;
  }
  std::printf("%s: %zu operations, %d runs with failing calls\n", GetParam().name, points.size(),
              runs);
}

INSTANTIATE_TEST_SUITE_P(
    Demo, FaultSweep,
    testing::Values(SweepCase{"Logon", scenario::Logon, "Logoff"},
                    SweepCase{"StoreWalk", scenario::StoreWalk, "RootFolder"},
                    SweepCase{"FolderWalk", scenario::FolderWalk, "Folder(0)"},
                    SweepCase{"MessageReadWrite", scenario::MessageReadWrite, "TextHTML put"},
                    SweepCase{"AttachmentSaveAndText", scenario::AttachmentSaveAndText,
                              "ArchiveContent"},
                    SweepCase{"Events", scenario::Events, "new mail event"},
                    SweepCase{"EventsOnNotificationThread", scenario::EventsOnNotificationThread,
                              "new mail event"}),
    [](const testing::TestParamInfo<SweepCase>& info) { return std::string(info.param.name); });

}  // namespace
