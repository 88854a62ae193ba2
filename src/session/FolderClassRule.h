// The folder kind that a folder's container class names ("IPF.Note" is mail,
// "IPF.Appointment" a calendar, ...). Portable: no Windows header.
#pragma once

#include <string_view>

namespace kelmsgs {

// Values of MAPIFolderTypeConstants.
enum FolderKind : int {
  kFolderCalendar = 4,
  kFolderContacts = 5,
  kFolderJournal = 6,
  kFolderNotes = 7,
  kFolderTasks = 8,
  kFolderSpecial = 10,
  kFolderMail = 11,
  kFolderNone = 12,
};

// Classes starting with the upper-case letters I and P read their third character as a
// full stop (so "IPF.Note" and "IPM.Note" are alike); the comparison is case-sensitive.
FolderKind FolderKindOfClass(std::string_view containerClass) noexcept;

// The folder walk's reading of a class: the same normalisation, but only a normalised
// class has a kind, letters compare without regard to case, any class starting with
// "IP..Imap" is mail, and there is no "special" kind.
FolderKind WalkFolderKindOfClass(std::string_view containerClass) noexcept;

}  // namespace kelmsgs
