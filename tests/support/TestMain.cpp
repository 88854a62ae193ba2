// Test programs link the library's classes and resources directly: the program itself is
// the resource module, and each test thread runs in a single-threaded apartment.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "frame/Module.h"

int main(int argc, char** argv) {
  kelmsgs::Module::SetInstance(GetModuleHandleW(nullptr));
  if (FAILED(CoInitialize(nullptr))) {
    std::fputs("the test thread cannot enter a single-threaded apartment\n", stderr);
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  kelmsgs::Module::Shutdown();
  CoUninitialize();
  return result;
}
