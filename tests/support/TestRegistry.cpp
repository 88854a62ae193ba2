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
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Full(sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, key.put(), nullptr),
            ERROR_SUCCESS)
      << Full(sub);
}

void ScratchKey::SetValue(const std::string& sub, const std::string& name, DWORD type,
                          const void* data, DWORD size) const {
  CreateSubkey(sub);
  EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, Full(sub).c_str(), name.c_str(), type, data, size),
            ERROR_SUCCESS)
      << Full(sub) << "\\" << name;
}

void ScratchKey::SetString(const std::string& sub, const std::string& name,
                           const std::string& value, DWORD type) const {
  SetValue(sub, name, type, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void ScratchKey::SetDword(const std::string& sub, const std::string& name, DWORD value) const {
  SetValue(sub, name, REG_DWORD, &value, sizeof value);
}

bool ScratchKey::Exists(const std::string& sub) const {
  kelmsgs::RegKey key;
  return RegOpenKeyExA(HKEY_CURRENT_USER, Full(sub).c_str(), 0, KEY_READ, key.put()) ==
         ERROR_SUCCESS;
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
