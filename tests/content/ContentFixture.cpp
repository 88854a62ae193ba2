#include "content/ContentFixture.h"

#include <fstream>

#include "DocFilter.h"

namespace contenttest {

std::u16string Widened(const std::string& bytes) {
  std::u16string out;
  for (unsigned char c : bytes) out.push_back(c);
  return out;
}

void ContentTest::SetUp() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  dir_ =
      std::string(temp) + "content_" + std::to_string(GetCurrentProcessId()) + "_" + info->name();
  CreateDirectoryA(dir_.c_str(), nullptr);
  ASSERT_EQ(CQMXFileContent::Create(content_), S_OK);
}

void ContentTest::TearDown() {
  content_.reset();
  WIN32_FIND_DATAA found;
  kelmsgs::FindHandle find(FindFirstFileA((dir_ + "\\*").c_str(), &found));
  if (find) do
      DeleteFileA((dir_ + "\\" + found.cFileName).c_str());
    while (FindNextFileA(find.get(), &found));
  find.reset();
  RemoveDirectoryA(dir_.c_str());
}

std::string ContentTest::Write(const std::string& name, const std::string& bytes) {
  const std::string path = dir_ + "\\" + name;
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

bool ContentTest::Open(const std::string& path) {
  VARIANT_BOOL opened = 1;
  EXPECT_EQ(content_->Open(nullptr, MakeBstr(path).get(), &opened), S_OK);
  EXPECT_TRUE(opened == VARIANT_TRUE || opened == VARIANT_FALSE);
  return opened == VARIANT_TRUE;
}

HRESULT ContentTest::Text(std::u16string& text) {
  Bstr value;
  const HRESULT hr = content_->get_FileContent(value.put());
  text = Units(value);
  return hr;
}

void ContentTest::SetControl(DWORD control, DWORD value) {
  const HMODULE da = GetModuleHandleA("SCCDA.DLL");
  ASSERT_NE(da, nullptr) << "the engine is not loaded";
  const auto set = reinterpret_cast<DFPROC_DFSetTestControl>(
      reinterpret_cast<void*>(GetProcAddress(da, "DFSetTestControl")));
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set(control, value), DF_OK);
}

std::string WriteTempFile(const std::string& name, const std::string& bytes) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string path =
      std::string(temp) + "content_" + std::to_string(GetCurrentProcessId()) + "_" + name;
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

bool InChild() {
  return GetEnvironmentVariableA("KELMSGS_CONTENT_CHILD", nullptr, 0) > 0;
}

DWORD RunInChild(const char* testName) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::string filter(testName);
  std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=" +
                         std::wstring(filter.begin(), filter.end());
  SetEnvironmentVariableA("KELMSGS_CONTENT_CHILD", "1");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  SetEnvironmentVariableA("KELMSGS_CONTENT_CHILD", nullptr);
  if (!started) return 0xFFFFFFFF;
  const kelmsgs::KernelHandle thread(process.hThread);
  const kelmsgs::KernelHandle child(process.hProcess);
  WaitForSingleObject(child.get(), 120000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(child.get(), &code);
  return code;
}

Reported TakeError() {
  Reported r;
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) != S_OK || !info) return r;
  Bstr description, source;
  EXPECT_EQ(info->GetDescription(description.put()), S_OK);
  EXPECT_EQ(info->GetSource(source.put()), S_OK);
  if (description) r.description = description.get();
  if (source) r.source = source.get();
  return r;
}

}  // namespace contenttest
