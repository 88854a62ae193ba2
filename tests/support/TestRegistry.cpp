#include "support/TestRegistry.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "foundation/Owned.h"

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

// Every write the tests arrange is checked: a test must not go on against a key it could not
// fill.
void ScratchKey::CreateSubkey(const std::string& sub) const {
  kelmsgs::RegKey key;
  const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            key.put(), nullptr),
            ERROR_SUCCESS)
      << full;
}

void ScratchKey::SetString(const std::string& sub, const std::string& name,
                           const std::string& value, DWORD type) const {
  CreateSubkey(sub);
  const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
  EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, full.c_str(), name.c_str(), type, value.c_str(),
                            static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS)
      << full << "\\" << name;
}

void ScratchKey::SetDword(const std::string& sub, const std::string& name, DWORD value) const {
  CreateSubkey(sub);
  const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
  EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, full.c_str(), name.c_str(), REG_DWORD, &value,
                            sizeof value),
            ERROR_SUCCESS)
      << full << "\\" << name;
}

bool ScratchKey::Exists(const std::string& sub) const {
  kelmsgs::RegKey key;
  const std::string full = sub.empty() ? path_ : path_ + "\\" + sub;
  return RegOpenKeyExA(HKEY_CURRENT_USER, full.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
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
