#include "support/TestRegistry.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {
std::atomic<int> g_serial{0};
std::string Unique(const char* prefix) {
  return std::string(prefix) + std::to_string(GetCurrentProcessId()) + "_" +
         std::to_string(++g_serial);
}
}  // namespace

ScratchKey::ScratchKey() : path_("Software\\KelMsgsTests\\" + Unique("k")) {
  CreateSubkey("");
}

ScratchKey::~ScratchKey() {
  RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
}

void ScratchKey::CreateSubkey(const std::string& sub) const {
  HKEY key = nullptr;
  const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) == ERROR_SUCCESS)
    RegCloseKey(key);
}

void ScratchKey::SetString(const std::string& sub, const std::string& name,
                           const std::string& value, DWORD type) const {
  CreateSubkey(sub);
  const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
  RegSetKeyValueA(HKEY_CURRENT_USER, full.c_str(), name.c_str(), type, value.c_str(),
                  static_cast<DWORD>(value.size() + 1));
}

void ScratchKey::SetDword(const std::string& sub, const std::string& name, DWORD value) const {
  CreateSubkey(sub);
  const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
  RegSetKeyValueA(HKEY_CURRENT_USER, full.c_str(), name.c_str(), REG_DWORD, &value, sizeof value);
}

bool ScratchKey::Exists(const std::string& sub) const {
  HKEY key = nullptr;
  const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

ScratchFile::ScratchFile(const char* suffix) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  path_ = std::string(dir) + Unique("kelmsgs_") + suffix;
}

ScratchFile::~ScratchFile() {
  DeleteFileA(path_.c_str());
}

std::string ScratchFile::Read() const {
  std::ifstream in(path_, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

bool ScratchFile::Exists() const {
  return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}
