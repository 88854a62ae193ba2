// A file in the temporary directory with given bytes, deleted when the test is done.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>

class TempFile {
 public:
  TempFile(const std::string& name, const std::string& bytes) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    path_ = std::string(dir) + "docfilter_" + std::to_string(GetCurrentProcessId()) + "_" + name;
    std::ofstream(path_, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() { DeleteFileA(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};
