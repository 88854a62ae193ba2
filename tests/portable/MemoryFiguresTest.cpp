// Memory figures reach 32-bit script callers as signed longs: large figures saturate,
// and what a caller reads must not depend on how large the real figure was beyond that.
#include "utilities/MemoryFigures.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace kelmsgs;

namespace {
constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;
}

// Up to 2 GiB - 1 a figure reads as itself, from 2 GiB it reads negative, above 4 GiB - 1
// it saturates to all ones, which a signed caller sees as -1.
TEST(MemoryFigures, FigureAsLongBoundaries) {
  EXPECT_EQ(FigureAsLong(0), 0);
  EXPECT_EQ(FigureAsLong(0x7FFFFFFF), 0x7FFFFFFF);
  EXPECT_EQ(FigureAsLong(0x80000000), INT32_MIN);
  EXPECT_EQ(FigureAsLong(3'000'000'000ull), -1'294'967'296);
  EXPECT_EQ(FigureAsLong(0xFFFFFFFF), -1);
  EXPECT_EQ(FigureAsLong(0x100000000ull), -1);
  EXPECT_EQ(FigureAsLong(24 * kGiB), -1);
  EXPECT_EQ(FigureAsLong(UINT64_MAX), -1);
}

// A 24 GiB machine: both physical figures saturate, so used reads 0; a saturated
// total with an available figure under 4 GiB gives the 32-bit difference; figures of
// 3 GB read negative and their difference still comes out right.
TEST(MemoryFigures, LargeMachineSaturatesAndWraps) {
  const RawMemoryStatus raw{
      55, 24 * kGiB, 10 * kGiB, 32 * kGiB, 3'000'000'000ull, 3'000'000'000ull, 1'000'000'000ull};
  const auto f = ComputeMemoryFigures(raw);
  EXPECT_EQ(f.totalPhysical, -1);
  EXPECT_EQ(f.availablePhysical, -1);
  EXPECT_EQ(f.usedPhysical, 0);
  EXPECT_EQ(f.totalPageFile, -1);
  EXPECT_EQ(f.availablePageFile, -1'294'967'296);
  EXPECT_EQ(f.usedPageFile, static_cast<std::int32_t>(0xFFFFFFFFu - 3'000'000'000u));
  EXPECT_EQ(f.totalVirtual, -1'294'967'296);
  EXPECT_EQ(f.usedVirtual, 2'000'000'000);
}

// Available above total (a figure taken between two system calls) wraps, not traps.
TEST(MemoryFigures, AvailableAboveTotalWraps) {
  const RawMemoryStatus raw{0, 100, 101, 0, 0x80000000ull, 0x7FFFFFFF, 0xFFFFFFFF};
  const auto f = ComputeMemoryFigures(raw);
  EXPECT_EQ(f.usedPhysical, -1);
  EXPECT_EQ(f.usedPageFile, INT32_MIN);
  EXPECT_EQ(f.usedVirtual, INT32_MIN);
}
