#include "support/StandinControls.h"

#include <fstream>
#include <sstream>

#include "foundation/Owned.h"

namespace standin {

std::vector<std::string> Journal(const std::string& operation) {
  const auto count = Control<ULONG(WINAPI*)()>("StandinJournalCount");
  const auto entry = Control<ULONG(WINAPI*)(ULONG, LPSTR, ULONG)>("StandinJournalEntry");
  std::vector<std::string> lines;
  for (ULONG i = 0, n = count(); i < n; ++i) {
    char line[1024] = {};
    entry(i, line, sizeof line);
    if (operation.empty() || std::string(line).rfind(operation + " ", 0) == 0)
      lines.push_back(line);
  }
  return lines;
}

void ClearJournal() {
  Control<void(WINAPI*)()>("StandinJournalClear")();
}

ULONG Calls(const char* operation) {
  return Control<ULONG(WINAPI*)(LPCSTR)>("StandinFaultPointCalls")(operation);
}

void ClearCalls() {
  Control<void(WINAPI*)()>("StandinFaultPointsClear")();
}

HRESULT SpoolerIdle(ULONG milliseconds) {
  return Control<HRESULT(WINAPI*)(ULONG)>("StandinSpoolerIdle")(milliseconds);
}

void SetSizeLimit(ULONG bytes) {
  Control<void(WINAPI*)(ULONG)>("StandinSetSizeLimit")(bytes);
}

}  // namespace standin

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> FilesIn(const std::string& dir, const char* pattern) {
  std::vector<std::string> out;
  WIN32_FIND_DATAA found;
  const kelmsgs::FindHandle find(FindFirstFileA((dir + "\\" + pattern).c_str(), &found));
  if (!find) return out;
  do {
    out.push_back(dir + "\\" + found.cFileName);
  } while (FindNextFileA(find.get(), &found));
  return out;
}
