// The folder kind named by a container class: the rule's order, its case sensitivity and
// the one class that must match exactly.
#include <gtest/gtest.h>

#include <string>

#include "session/FolderClassRule.h"

using kelmsgs::FolderKindOfClass;

TEST(FolderClassRule, KindsByContainerClass) {
  const struct {
    std::string cls;
    int kind;
  } cases[] = {
      {"IPF.Note", 11},
      {"IPM.Note", 11},
      {"IPF.Note.Sub", 11},
      {"IPF.Imap", 11},
      {"IPF.Imap.Sub", 10},
      {"IPF.Appointment", 4},
      {"IPF.Contact", 5},
      {"IPF.Journal", 6},
      {"IPF.StickyNote", 7},
      {"IPF.Task", 8},
      {"IPF.Other", 10},
      {"IPF.", 10},
      {"ipf.note", 12},
      {"IPF", 12},
      {"", 12},
      {"XIPF.Note", 12},
      {"IPX.Task", 8},  // the third character is not looked at
      {std::string("IPF.Note") + std::string(300, 'x'), 11},
      {std::string("IPF.Imap") + std::string(300, 'x'), 10},
  };
  for (const auto& c : cases) EXPECT_EQ(FolderKindOfClass(c.cls), c.kind) << c.cls.substr(0, 20);
}

// The walk's reading differs where clients can see it: letters compare without regard to
// case, "Imap" is a prefix, nothing is "special", and a class that is not normalised has
// no kind even when it spells a known one.
TEST(FolderClassRule, WalkKindsByContainerClass) {
  const struct {
    std::string cls;
    int kind;
  } cases[] = {
      {"IPF.Note", 11},
      {"IPF.note", 11},
      {"IPM.NOTE.Sub", 11},
      {"IPF.Imap", 11},
      {"IPF.Imap.Sub", 11},
      {"IPF.imapx", 11},
      {"IPF.Appointment", 4},
      {"IPF.APPOINTMENT.Birthday", 4},
      {"IPF.Appointmen", 12},
      {"IPF.Contact", 5},
      {"IPF.journal", 6},
      {"IPF.StickyNote", 7},
      {"IPF.Task", 8},
      {"IPF.Other", 12},
      {"IPF.", 12},
      {"ipf.note", 12},
      {"ip..note", 12},
      {"Ipf.Note", 12},
      {"IPF", 12},
      {"", 12},
      {"IPX.Task", 8},
      {std::string("IPF.Contact") + std::string(300, 'x'), 5},
  };
  for (const auto& c : cases)
    EXPECT_EQ(kelmsgs::WalkFolderKindOfClass(c.cls), c.kind) << c.cls.substr(0, 20);
}
