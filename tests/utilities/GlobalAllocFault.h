// Makes GlobalAlloc fail for requests of one size while an object of this class lives, by
// replacing the function in the test program's import table (the library is linked into
// the program, so its calls go through that table too). Other sizes are served as usual.
#pragma once

#include <windows.h>

class GlobalAllocFault {
 public:
  explicit GlobalAllocFault(SIZE_T failSize);
  ~GlobalAllocFault();
  GlobalAllocFault(const GlobalAllocFault&) = delete;
  GlobalAllocFault& operator=(const GlobalAllocFault&) = delete;

  bool installed() const { return slot_ != nullptr; }
  // Requests refused so far.
  static int refused();

 private:
  void** slot_ = nullptr;
  void* original_ = nullptr;
};
