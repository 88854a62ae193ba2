#include "attach/QlaPaths.h"

#include <cwchar>
#include <vector>

#include "attach/SafeFileName.h"
#include "foundation/Owned.h"

namespace kelmsgs {

namespace {

HRESULT LastError() {
  const DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// Calls fill(buffer, size) until the buffer holds the whole answer; empty on failure.
template <class Fill>
std::wstring GrowingCall(Fill fill) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return {};
}

// Working-copy names differ from run to run and from process to process.
DWORD WorkingNameSeed() {
  static LONG counter = 0;
  return GetCurrentProcessId() * 0x10000u + static_cast<DWORD>(InterlockedIncrement(&counter)) +
         GetTickCount();
}

}  // namespace

HRESULT LongTempDirectory(std::wstring& dir) {
  // 1. The directory the system names for temporary files.
  const std::wstring temp =
      GrowingCall([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
  if (temp.empty()) return LastError();
  // 2. Its long form; a directory that is not there fails here.
  std::wstring longDir = GrowingCall([&temp](wchar_t* buffer, DWORD size) {
    return GetLongPathNameW(temp.c_str(), buffer, size);
  });
  if (longDir.empty()) return LastError();
  if (longDir.back() != L'\\') longDir += L'\\';
  dir = std::move(longDir);
  return S_OK;
}

HRESULT QlaDirectory(std::wstring& dir) {
  // 1. The temporary directory.
  std::wstring temp;
  HRESULT hr = LongTempDirectory(temp);
  if (FAILED(hr)) return hr;
  // 2. Its "QLA\" subdirectory, made when missing; an existing one is fine.
  temp += L"QLA\\";
  if (!CreateDirectoryW(temp.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return LastError();
  dir = std::move(temp);
  return S_OK;
}

HRESULT QlaFilePath(std::wstring_view storedName, std::wstring& path) {
  std::wstring dir;
  const HRESULT hr = QlaDirectory(dir);
  if (FAILED(hr)) return hr;
  // A name that stays inside the directory.
  path = dir + SafeFileName(storedName);
  return S_OK;
}

HRESULT NewQlaWorkingFile(std::wstring_view storedName, std::wstring& path) {
  // 1. The directory.
  std::wstring dir;
  HRESULT hr = QlaDirectory(dir);
  if (FAILED(hr)) return hr;
  // 2. The first free name of the form "~<number>~<safe name>", made exclusively.
  const std::wstring safe = SafeFileName(storedName);
  const DWORD seed = WorkingNameSeed();
  for (DWORD attempt = 0; attempt < 64; ++attempt) {
    wchar_t prefix[16];
    std::swprintf(prefix, 16, L"~%08lX~", static_cast<unsigned long>(seed + attempt * 7919u));
    std::wstring candidate = dir + prefix + safe;
    FileHandle file(CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      path = std::move(candidate);
      return S_OK;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
      return HRESULT_FROM_WIN32(error);
  }
  return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
}

std::string AnsiQlaRoot() {
  char temp[MAX_PATH + 1] = {};
  char longTemp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof temp, temp);
  if (n == 0 || n > MAX_PATH) return {};
  const DWORD m = GetLongPathNameA(temp, longTemp, sizeof longTemp);
  if (m == 0 || m > MAX_PATH) return {};
  std::string root(longTemp, m);
  if (root.back() != '\\') root += '\\';
  return root + "QLA\\";
}

}  // namespace kelmsgs
