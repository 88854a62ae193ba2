// A scratch registry key under HKEY_CURRENT_USER, unique to the test process, removed
// with all its content when the test ends.
#pragma once

#include <windows.h>

#include <string>

class ScratchKey {
 public:
  ScratchKey();
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  // Path below HKEY_CURRENT_USER.
  const std::string& path() const { return path_; }
  // Creates a subkey (relative to the scratch key) and sets values in it.
  void SetString(const std::string& sub, const std::string& name, const std::string& value,
                 DWORD type = REG_SZ) const;
  void SetDword(const std::string& sub, const std::string& name, DWORD value) const;
  void CreateSubkey(const std::string& sub) const;
  bool Exists(const std::string& sub) const;

 private:
  std::string path_;
};

// A temporary file path, deleted at the end of the test.
class ScratchFile {
 public:
  explicit ScratchFile(const char* suffix);
  ~ScratchFile();
  const std::string& path() const { return path_; }
  std::wstring wpath() const { return std::wstring(path_.begin(), path_.end()); }
  // The file's whole content ("" when missing).
  std::string Read() const;
  bool Exists() const;

 private:
  std::string path_;
};
