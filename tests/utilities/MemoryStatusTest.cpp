// QMXMemoryStatus: a snapshot read by properties, with figures as 32-bit callers see them.
#include <gtest/gtest.h>

#include <vector>

#include "KelMsgs.h"
#include "foundation/ComPtr.h"
#include "utilities/QMXMemoryStatus.h"

using kelmsgs::ComPtr;
using kelmsgs::CQMXMemoryStatus;

namespace {

using Getter = HRESULT (STDMETHODCALLTYPE IQMXMemoryStatus::*)(LONG*);
const Getter kGetters[] = {
    &IQMXMemoryStatus::get_MemoryLoad,        &IQMXMemoryStatus::get_TotalPhysical,
    &IQMXMemoryStatus::get_AvailablePhysical, &IQMXMemoryStatus::get_TotalPageFile,
    &IQMXMemoryStatus::get_AvailablePageFile, &IQMXMemoryStatus::get_TotalVirtual,
    &IQMXMemoryStatus::get_AvailableVirtual,  &IQMXMemoryStatus::get_UsedPhysical,
    &IQMXMemoryStatus::get_UsedPageFile,      &IQMXMemoryStatus::get_UsedVirtual};

LONG Read(IQMXMemoryStatus* status, Getter getter) {
  LONG value = 12345;
  EXPECT_EQ((status->*getter)(&value), S_OK);
  return value;
}

// What a 32-bit caller of the system would read: saturated at 0xFFFFFFFF.
LONG Expected(DWORDLONG value) {
  return static_cast<LONG>(value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(value));
}

// Every figure reads 0 until the first snapshot; then they are the system's, as a 32-bit
// caller reads them, and stay those of the snapshot.
TEST(MemoryStatusTest, SnapshotFiguresMatchTheSystemAndDoNotRefreshThemselves) {
  ComPtr<CQMXMemoryStatus> status;
  ASSERT_EQ(CQMXMemoryStatus::Create(status), S_OK);
  for (Getter g : kGetters) EXPECT_EQ(Read(status.get(), g), 0);
  ASSERT_EQ(status->GetMemoryStatus(), S_OK);

  MEMORYSTATUSEX system{};
  system.dwLength = sizeof system;
  ASSERT_TRUE(GlobalMemoryStatusEx(&system));
  // Totals do not move between two reads of the system.
  EXPECT_EQ(Read(status.get(), &IQMXMemoryStatus::get_TotalPhysical),
            Expected(system.ullTotalPhys));
  EXPECT_EQ(Read(status.get(), &IQMXMemoryStatus::get_TotalVirtual),
            Expected(system.ullTotalVirtual));
  const LONG load = Read(status.get(), &IQMXMemoryStatus::get_MemoryLoad);
  EXPECT_GE(load, 0);
  EXPECT_LE(load, 100);

  // Used figures are total minus available of the same snapshot, in 32-bit arithmetic.
  const auto used = [&](Getter total, Getter available) {
    return static_cast<LONG>(static_cast<DWORD>(Read(status.get(), total)) -
                             static_cast<DWORD>(Read(status.get(), available)));
  };
  EXPECT_EQ(Read(status.get(), &IQMXMemoryStatus::get_UsedPhysical),
            used(&IQMXMemoryStatus::get_TotalPhysical, &IQMXMemoryStatus::get_AvailablePhysical));
  EXPECT_EQ(Read(status.get(), &IQMXMemoryStatus::get_UsedPageFile),
            used(&IQMXMemoryStatus::get_TotalPageFile, &IQMXMemoryStatus::get_AvailablePageFile));
  EXPECT_EQ(Read(status.get(), &IQMXMemoryStatus::get_UsedVirtual),
            used(&IQMXMemoryStatus::get_TotalVirtual, &IQMXMemoryStatus::get_AvailableVirtual));

  // The figures stay those of the snapshot, however memory changes meanwhile.
  LONG before[10];
  for (int i = 0; i < 10; ++i) before[i] = Read(status.get(), kGetters[i]);
  std::vector<char> ballast(64 << 20, 1);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Read(status.get(), kGetters[i]), before[i]);
}

}  // namespace
