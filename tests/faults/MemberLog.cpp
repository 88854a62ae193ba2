#include "MemberLog.h"

#include <algorithm>
#include <cstdio>

#include "StandinProbe.h"

std::string Injection::Describe() const {
  char text[160];
  std::snprintf(text, sizeof text, "%s call %lu%s failing with 0x%08lX", operation.c_str(),
                skip + 1, lasting ? " and every later one" : "",
                static_cast<unsigned long>(result));
  return text;
}

HRESULT MemberLog::Call(const std::string& member, const MemberRules& rules,
                        const std::function<HRESULT()>& call, const std::function<bool()>& gave) {
  members_.push_back(member);
  const ULONG before = injection_ ? probe::Calls(injection_->operation) : 0;
  const HRESULT hr = call();
  const bool handedOut = !gave || gave();
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  // S_OK with nothing to show for it, where the member has to answer with something.
  if (rules.needsObject && hr == S_OK && !handedOut)
    violations_.push_back(member + " answered S_OK and handed out nothing");
  if (!injection_) return hr;
  const ULONG after = probe::Calls(injection_->operation);
  const ULONG failing = injection_->skip;
  const bool inside = injection_->lasting ? after > before && after > failing
                                          : before <= failing && failing < after;
  const bool firstFailed =
      after > before && (injection_->lasting ? before >= failing : before == failing);
  const auto listed = [&](const std::vector<std::string>& operations) {
    return std::find(operations.begin(), operations.end(), injection_->operation) !=
           operations.end();
  };
  if (SUCCEEDED(hr) &&
      ((inside && listed(rules.reports)) || (firstFailed && listed(rules.reportsFirst))))
    violations_.push_back(member + " hid the failure of " + injection_->operation + " (" + code +
                          ")");
  return hr;
}
