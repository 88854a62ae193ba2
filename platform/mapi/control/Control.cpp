#include "Control.h"

#include <cstdio>
#include <mutex>

#include "include/MapiStandinControl.h"
#include "util/ComObject.h"

namespace mapistandin::control {

namespace {

struct FaultRule {
  std::string operation;
  std::string object;  // empty: any object
  HRESULT result = S_OK;
  ULONG skip = 0;  // calls that still succeed first
};

struct State {
  std::mutex lock;
  std::vector<FaultRule> faults;
  std::vector<std::string> journal;
  bool journalOn = true;
  bool uiPicksDefault = true;
  ULONG sizeLimit = 32 * 1024;
};

State& S() {
  static State s;
  return s;
}

constexpr std::size_t kJournalCap = 100000;

}  // namespace

HRESULT Fault(const char* operation, const std::string& object) {
  State& s = S();
  std::lock_guard guard(s.lock);
  for (FaultRule& rule : s.faults) {
    if (rule.operation != operation) continue;
    if (!rule.object.empty() && _stricmp(rule.object.c_str(), object.c_str()) != 0) continue;
    if (rule.skip > 0) {
      --rule.skip;
      continue;
    }
    return rule.result;
  }
  return S_OK;
}

void Journal(const char* operation, ULONG flags, const std::vector<ULONG>& tags,
             const std::string& detail) {
  State& s = S();
  std::lock_guard guard(s.lock);
  if (!s.journalOn || s.journal.size() >= kJournalCap) return;
  char head[96];
  std::snprintf(head, sizeof head, "%s flags=0x%lX tags=", operation, flags);
  std::string line = head;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    char t[16];
    std::snprintf(t, sizeof t, "%s%08lX", i ? "," : "", tags[i]);
    line += t;
  }
  if (!detail.empty()) line += " " + detail;
  s.journal.push_back(std::move(line));
}

bool LogonUiPicksDefault() {
  std::lock_guard guard(S().lock);
  return S().uiPicksDefault;
}

ULONG SizeLimit() {
  std::lock_guard guard(S().lock);
  return S().sizeLimit;
}

void ResetSwitches() {
  State& s = S();
  std::lock_guard guard(s.lock);
  s.faults.clear();
  s.journal.clear();
  s.journalOn = true;
  s.uiPicksDefault = true;
  s.sizeLimit = 32 * 1024;
}

}  // namespace mapistandin::control

using namespace mapistandin::control;

extern "C" HRESULT WINAPI StandinSetFault(LPCSTR operation, HRESULT result, LPCSTR objectHex,
                                          ULONG succeedFirst) {
  if (!operation || !*operation) return E_INVALIDARG;
  State& s = S();
  std::lock_guard guard(s.lock);
  s.faults.push_back({operation, objectHex ? objectHex : "", result, succeedFirst});
  return S_OK;
}

extern "C" void WINAPI StandinClearFaults() {
  std::lock_guard guard(S().lock);
  S().faults.clear();
}

extern "C" void WINAPI StandinSetLogonUiAnswer(BOOL pickDefault) {
  std::lock_guard guard(S().lock);
  S().uiPicksDefault = pickDefault != FALSE;
}

extern "C" void WINAPI StandinSetSizeLimit(ULONG bytes) {
  std::lock_guard guard(S().lock);
  S().sizeLimit = bytes;
}

extern "C" ULONG WINAPI StandinJournalCount() {
  std::lock_guard guard(S().lock);
  return static_cast<ULONG>(S().journal.size());
}

extern "C" ULONG WINAPI StandinJournalEntry(ULONG index, LPSTR buffer, ULONG size) {
  std::lock_guard guard(S().lock);
  if (index >= S().journal.size()) return 0;
  const std::string& line = S().journal[index];
  if (buffer && size) {
    const std::size_t n = std::min<std::size_t>(line.size(), size - 1);
    line.copy(buffer, n);
    buffer[n] = '\0';
  }
  return static_cast<ULONG>(line.size() + 1);
}

extern "C" void WINAPI StandinJournalClear() {
  std::lock_guard guard(S().lock);
  S().journal.clear();
}

extern "C" LONG WINAPI StandinLiveObjects() {
  return mapistandin::ComObject::LiveObjects();
}
