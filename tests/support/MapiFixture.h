// A messaging profile for a test: the stand-in's profiles are reset and loaded from a JSON
// description, with the store files in a fresh directory that goes with the fixture.
#pragma once

#include <windows.h>

#include <string>

// Dispatches this thread's window messages (where MAPI delivers notifications) until
// `done` or `timeoutMs` have passed; the last answer of `done`.
template <class F>
bool PumpUntil(F done, DWORD timeoutMs = 2000) {
  for (DWORD start = GetTickCount(); !done(); Sleep(5)) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (GetTickCount() - start > timeoutMs) return done();
  }
  return true;
}

// Deletes a directory with everything below it.
void RemoveDirectoryTree(const std::string& dir);

class MapiFixture {
 public:
  explicit MapiFixture(const std::string& json);
  ~MapiFixture();
  MapiFixture(const MapiFixture&) = delete;
  MapiFixture& operator=(const MapiFixture&) = delete;

  bool loaded() const { return loaded_; }
  const std::string& error() const { return error_; }
  const std::string& directory() const { return directory_; }

  // Test controls of the stand-in.
  static void SetFault(const char* operation, HRESULT result, ULONG succeedFirst = 0);
  // The same for the one object with that hex entry identifier.
  static void SetFaultFor(const char* operation, HRESULT result, const std::string& objectHex);
  static void ClearFaults();
  static void SetLogonUiAnswer(bool pickDefault);
  // Drops a new mail (described as a fixture's messages are) into the profile's inbox.
  static HRESULT DeliverMail(const char* profile, const char* messageJson);

 private:
  std::string directory_;
  std::string error_;
  bool loaded_ = false;
};
