// Scripts name root keys by number; a wrong mapping would read or write the wrong hive.
#include "utilities/RegistryRoots.h"

#include <gtest/gtest.h>

#include <climits>

using kelmsgs::RootKeyValue;

// 4 and 5 are not in handle order: 4 is the current configuration (0x80000005) and 5
// the dynamic-data root (0x80000004). Other numbers name no root.
TEST(RegistryRoots, NumbersMapToPredefinedHandles) {
  const unsigned long handles[] = {0x80000000, 0x80000001, 0x80000002,
                                   0x80000003, 0x80000005, 0x80000004};
  for (long key = 0; key < 6; ++key) EXPECT_EQ(RootKeyValue(key), handles[key]) << key;
  for (const long key : {-1L, 6L, 7L, 0x80000000L, LONG_MIN, LONG_MAX})
    EXPECT_FALSE(RootKeyValue(key)) << key;
}
