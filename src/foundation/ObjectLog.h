// The object log of a store, folder, message, attachment or file-content object: a file
// created (emptied) when LogFile is set, one "date, time ---> text" line per entry.
#pragma once

#include <oaidl.h>

#include "foundation/Owned.h"

namespace kelmsgs {

class ObjectLog {
 public:
  HRESULT get_LogFile(BSTR* pVal) const;
  // Creates the file (emptying an existing one); writes the header line when
  // writeHeader is true. A file that cannot be created is not an error.
  HRESULT put_LogFile(BSTR name, bool writeHeader);

  // One line; nothing happens while no file is open.
  void Write(const char* text) { WriteLine(text, false); }
  void WriteHeader(const char* text = nullptr) { WriteLine(text, true); }
  bool IsOpen() const noexcept { return file_.valid(); }
  // Closes the file (after the owner's last line).
  void Close() noexcept { file_.reset(); }

 private:
  void WriteLine(const char* text, bool isHeader);

  FileHandle file_;
  Bstr name_;
};

}  // namespace kelmsgs
