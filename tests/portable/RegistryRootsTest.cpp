// Scripts name root keys by number; a wrong mapping would read or write the wrong hive.
#include "utilities/RegistryRoots.h"

#include <gtest/gtest.h>

#include <climits>

using kelmsgs::RootKeyValue;

// 4 and 5 are not in handle order: 4 is the current configuration (0x80000005) and 5
// the dynamic-data root (0x80000004).
TEST(RegistryRoots, NumbersMapToPredefinedHandles) {
  EXPECT_EQ(RootKeyValue(0), 0x80000000u);
  EXPECT_EQ(RootKeyValue(1), 0x80000001u);
  EXPECT_EQ(RootKeyValue(2), 0x80000002u);
  EXPECT_EQ(RootKeyValue(3), 0x80000003u);
  EXPECT_EQ(RootKeyValue(4), 0x80000005u);
  EXPECT_EQ(RootKeyValue(5), 0x80000004u);
}

TEST(RegistryRoots, OtherNumbersNameNoRoot) {
  for (const long key : {-1L, 6L, 7L, 0x80000000L, LONG_MIN, LONG_MAX})
    EXPECT_FALSE(RootKeyValue(key)) << key;
}
