// What a scenario saw of the library's members while one MAPI call was made to fail: for
// each member call its HRESULT, whether it handed out what it answers with, and whether
// the failing call happened inside it. The member's rules say what it must do then.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// The call that fails: the operation's call after the first `skip` calls, or, when
// `lasting`, that call and every later one (the operation has become unavailable).
struct Injection {
  std::string operation;
  ULONG skip = 0;
  HRESULT result = S_OK;
  bool lasting = false;
  std::string Describe() const;
};

// What a member owes its caller.
struct MemberRules {
  bool needsObject = false;          // S_OK comes with the object (or string)
  std::vector<std::string> reports;  // a failure of these operations inside it is its answer
  // Likewise for the first call of these operations inside it (later calls of the same
  // operation belong to steps whose failures it may swallow).
  std::vector<std::string> reportsFirst;
};

// A member that answers with the failure of any of these operations.
inline MemberRules PassesOn(std::vector<std::string> operations) {
  MemberRules rules;
  rules.reports = std::move(operations);
  return rules;
}

class MemberLog {
 public:
  // Without an injection the log only records (the first, clean run).
  explicit MemberLog(const Injection* injection = nullptr) : injection_(injection) {}

  // Calls the member; `gave` tells afterwards whether it handed something out.
  HRESULT Call(const std::string& member, const MemberRules& rules,
               const std::function<HRESULT()>& call, const std::function<bool()>& gave = {});

  // Something the scenario saw besides member answers (an event that arrived).
  void Saw(const std::string& what) { members_.push_back(what); }

  // Members that broke their rules, one line each.
  const std::vector<std::string>& Violations() const { return violations_; }
  // Members called (and things seen), in order.
  const std::vector<std::string>& Members() const { return members_; }

 private:
  const Injection* injection_;
  std::vector<std::string> members_;
  std::vector<std::string> violations_;
};
