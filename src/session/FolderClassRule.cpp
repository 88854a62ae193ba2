#include "session/FolderClassRule.h"

#include <cstring>

namespace kelmsgs {

FolderKind FolderKindOfClass(std::string_view containerClass) noexcept {
  // 7. The normalised class; no rule looks past its first 15 characters, so a short copy
  // that keeps one more character decides every rule as the whole class would.
  char normal[17] = {};
  containerClass.copy(normal, sizeof normal - 1);
  if (containerClass.size() > 3 && normal[0] == 'I' && normal[1] == 'P') normal[2] = '.';
  // 8. The first rule whose leading characters match decides (C-string comparison: the
  // nine characters of "IP..Imap" include its end, so that class must match exactly).
  struct Rule {
    const char* text;
    std::size_t compared;
    FolderKind kind;
  };
  static constexpr Rule kRules[] = {
      {"IP..Note", 8, kFolderMail},
      {"IP..Imap", 9, kFolderMail},
      {"IP..Appointment", 15, kFolderCalendar},
      {"IP..Contact", 11, kFolderContacts},
      {"IP..Journal", 11, kFolderJournal},
      {"IP..StickyNote", 14, kFolderNotes},
      {"IP..Task", 8, kFolderTasks},
      {"IP..", 4, kFolderSpecial},
  };
  for (const auto& rule : kRules)
    if (std::strncmp(normal, rule.text, rule.compared) == 0) return rule.kind;
  return kFolderNone;
}

}  // namespace kelmsgs
