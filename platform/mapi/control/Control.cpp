#include "Control.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <mutex>
#include <string_view>

#include "MapiMemory.h"
#include "include/MapiStandinControl.h"
#include "notify/Delivery.h"
#include "util/ComObject.h"

namespace mapistandin::control {

namespace {

struct FaultRule {
  std::string operation;
  std::string object;  // empty: any object
  HRESULT result = S_OK;
  ULONG skip = 0;   // calls that still succeed first
  ULONG times = 0;  // calls that fail before the rule is spent; 0: every later call
};

struct State {
  std::mutex lock;
  std::vector<FaultRule> faults;
  std::vector<std::string> journal;
  // Calls of each operation that can be made to fail; looked up by the caller's text
  // without making a string of it (every MAPI allocation passes here).
  std::map<std::string, ULONG, std::less<>> points;
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
  HoldIfStalled(operation);
  State& s = S();
  std::lock_guard guard(s.lock);
  auto point = s.points.find(std::string_view(operation));
  if (point == s.points.end()) point = s.points.emplace(operation, 0).first;
  ++point->second;
  for (auto rule = s.faults.begin(); rule != s.faults.end(); ++rule) {
    if (rule->operation != operation) continue;
    if (!rule->object.empty() && _stricmp(rule->object.c_str(), object.c_str()) != 0) continue;
    if (rule->skip > 0) {
      --rule->skip;
      continue;
    }
    const HRESULT result = rule->result;
    if (rule->times > 0 && --rule->times == 0) s.faults.erase(rule);
    return result;
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
  s.points.clear();
  s.journalOn = true;
  s.uiPicksDefault = true;
  s.sizeLimit = 32 * 1024;
  ReleaseStall();
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

extern "C" HRESULT WINAPI StandinSetFaultOnce(LPCSTR operation, HRESULT result,
                                              ULONG succeedFirst) {
  if (!operation || !*operation) return E_INVALIDARG;
  State& s = S();
  std::lock_guard guard(s.lock);
  s.faults.push_back({operation, "", result, succeedFirst, 1});
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

extern "C" void WINAPI StandinLiveCounts(ULONG* objects, ULONG* buffers) {
  if (objects)
    *objects = static_cast<ULONG>(mapistandin::ComObject::LiveObjects()) +
               mapistandin::delivery::Connections();
  if (buffers) *buffers = mapistandin::OutstandingBuffers();
}

extern "C" ULONG WINAPI StandinFaultPointCount() {
  std::lock_guard guard(S().lock);
  return static_cast<ULONG>(S().points.size());
}

extern "C" ULONG WINAPI StandinFaultPointEntry(ULONG index, LPSTR name, ULONG size, ULONG* calls) {
  std::lock_guard guard(S().lock);
  if (index >= S().points.size()) return 0;
  const auto point = std::next(S().points.begin(), index);
  if (calls) *calls = point->second;
  if (name && size) lstrcpynA(name, point->first.c_str(), static_cast<int>(size));
  return static_cast<ULONG>(point->first.size() + 1);
}

extern "C" ULONG WINAPI StandinFaultPointCalls(LPCSTR operation) {
  if (!operation) return 0;
  std::lock_guard guard(S().lock);
  const auto point = S().points.find(operation);
  return point == S().points.end() ? 0 : point->second;
}

extern "C" void WINAPI StandinFaultPointsClear() {
  std::lock_guard guard(S().lock);
  S().points.clear();
}
