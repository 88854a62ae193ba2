#include "support/MapiFixture.h"

#include <atomic>

#include <gtest/gtest.h>

#include "support/StandinControls.h"

using standin::Control;

namespace {

std::atomic<int> g_serial{0};

}  // namespace

void RemoveDirectoryTree(const std::string& dir) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = dir + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryTree(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(dir.c_str());
}

MapiFixture::MapiFixture(const std::string& json) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  directory_ = std::string(temp) + "kelmsgs_fixture_" + std::to_string(GetCurrentProcessId()) +
               "_" + std::to_string(++g_serial);
  CreateDirectoryA(directory_.c_str(), nullptr);
  using Reset = HRESULT(WINAPI*)();
  using Load = HRESULT(WINAPI*)(LPCSTR, LPCSTR, LPSTR, ULONG);
  EXPECT_EQ(Control<Reset>("StandinResetProfiles")(), S_OK);
  char error[512] = {};
  loaded_ = SUCCEEDED(
      Control<Load>("StandinLoadFixture")(json.c_str(), directory_.c_str(), error, sizeof error));
  error_ = error;
}

MapiFixture::~MapiFixture() {
  ClearFaults();
  using Reset = HRESULT(WINAPI*)();
  EXPECT_EQ(Control<Reset>("StandinResetProfiles")(), S_OK);
  RemoveDirectoryTree(directory_);
}

void MapiFixture::SetFault(const char* operation, HRESULT result, ULONG succeedFirst) {
  using Fn = HRESULT(WINAPI*)(LPCSTR, HRESULT, LPCSTR, ULONG);
  EXPECT_EQ(Control<Fn>("StandinSetFault")(operation, result, nullptr, succeedFirst), S_OK)
      << operation;
}

void MapiFixture::SetFaultFor(const char* operation, HRESULT result, const std::string& objectHex) {
  using Fn = HRESULT(WINAPI*)(LPCSTR, HRESULT, LPCSTR, ULONG);
  EXPECT_EQ(Control<Fn>("StandinSetFault")(operation, result, objectHex.c_str(), 0), S_OK)
      << operation;
}

void MapiFixture::ClearFaults() {
  using Fn = void(WINAPI*)();
  Control<Fn>("StandinClearFaults")();
}

void MapiFixture::SetLogonUiAnswer(bool pickDefault) {
  using Fn = void(WINAPI*)(BOOL);
  Control<Fn>("StandinSetLogonUiAnswer")(pickDefault ? TRUE : FALSE);
}

HRESULT MapiFixture::DeliverMail(const char* profile, const char* messageJson) {
  using Fn = HRESULT(WINAPI*)(LPCSTR, LPCSTR, LPSTR, ULONG);
  char error[256] = {};
  return Control<Fn>("StandinDeliverMail")(profile, messageJson, error, sizeof error);
}
