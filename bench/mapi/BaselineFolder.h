// The baseline of the early-bound figures: a plain C++ object with virtual members that do
// the work the library's folder and message properties do (read a row of a contents table
// already in memory, copy a held string out as a BSTR), without COM in between.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <oleauto.h>

#include <memory>

class BaselineFolder {
 public:
  virtual ~BaselineFolder() = default;
  virtual LONG MessageCount() const = 0;
  // The subject of the row at index, as a VARIANT holding a BSTR.
  virtual HRESULT Subject(LONG index, VARIANT* out) const = 0;
  // The held subject of one message, copied out.
  virtual HRESULT HeldSubject(BSTR* out) const = 0;
};

// A baseline over rows whose first column is PR_SUBJECT_A (the caller keeps them alive)
// and one held subject. Made in its own translation unit so calls stay virtual.
std::unique_ptr<BaselineFolder> MakeBaselineFolder(const SRowSet* rows, const wchar_t* held);
