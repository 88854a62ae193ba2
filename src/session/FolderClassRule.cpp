#include "session/FolderClassRule.h"

#include <cstring>

namespace kelmsgs {

namespace {

// A class with its third character read as a full stop when it starts with the
// upper-case letters I and P. No rule looks past the first 15 characters, so a short
// copy that keeps one more character decides every rule as the whole class would.
struct NormalClass {
  char text[17] = {};
  bool normalised = false;
};

NormalClass Normalise(std::string_view containerClass) noexcept {
  NormalClass normal;
  containerClass.copy(normal.text, sizeof normal.text - 1);
  if (containerClass.size() > 3 && normal.text[0] == 'I' && normal.text[1] == 'P') {
    normal.text[2] = '.';
    normal.normalised = true;
  }
  return normal;
}

char LowerAscii(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// strncmp without regard to ASCII case: the first `count` characters, or up to the end
// of both.
bool SameIgnoringCase(const char* a, const char* b, std::size_t count) noexcept {
  for (std::size_t i = 0; i < count; ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    if (a[i] == '\0') return true;
  }
  return true;
}

// The rules in the order they are tried. The session's rule compares `compared`
// characters as C strings (the nine characters of "IP..Imap" include its end, so that
// class must match exactly); the walk compares `walkCompared` characters without regard
// to case and skips the rules it lacks (0).
struct Rule {
  const char* text;
  std::size_t compared;
  std::size_t walkCompared;
  FolderKind kind;
};
constexpr Rule kRules[] = {
    {"IP..Note", 8, 8, kFolderMail},
    {"IP..Imap", 9, 8, kFolderMail},
    {"IP..Appointment", 15, 15, kFolderCalendar},
    {"IP..Contact", 11, 11, kFolderContacts},
    {"IP..Journal", 11, 11, kFolderJournal},
    {"IP..StickyNote", 14, 14, kFolderNotes},
    {"IP..Task", 8, 8, kFolderTasks},
    {"IP..", 4, 0, kFolderSpecial},
};

}  // namespace

FolderKind FolderKindOfClass(std::string_view containerClass) noexcept {
  const NormalClass normal = Normalise(containerClass);
  for (const auto& rule : kRules)
    if (std::strncmp(normal.text, rule.text, rule.compared) == 0) return rule.kind;
  return kFolderNone;
}

FolderKind WalkFolderKindOfClass(std::string_view containerClass) noexcept {
  const NormalClass normal = Normalise(containerClass);
  if (!normal.normalised) return kFolderNone;
  for (const auto& rule : kRules)
    if (rule.walkCompared && SameIgnoringCase(normal.text, rule.text, rule.walkCompared))
      return rule.kind;
  return kFolderNone;
}

}  // namespace kelmsgs
