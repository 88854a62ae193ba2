// A messaging profile for a test: the stand-in's profiles are reset and loaded from a JSON
// description, with the store files in a fresh directory that goes with the fixture.
#pragma once

#include <windows.h>

#include <string>

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
  static void ClearFaults();
  static void SetLogonUiAnswer(bool pickDefault);

 private:
  std::string directory_;
  std::string error_;
  bool loaded_ = false;
};
