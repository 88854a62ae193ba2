// Recipient lists cut as SendMail hands them to the address book, and the importance
// mapping.
#include "session/MailRecipients.h"

#include <gtest/gtest.h>

namespace kelmsgs {
namespace {

std::vector<std::pair<std::string, long>> Cut(std::string to, std::string cc) {
  std::vector<std::pair<std::string, long>> out;
  for (const MailRecipient& r : CutRecipientLists(to, cc)) out.emplace_back(r.name, r.type);
  return out;
}

TEST(MailRecipients, ToPiecesComeFirstThenCcInListOrder) {
  using V = std::vector<std::pair<std::string, long>>;
  EXPECT_EQ(Cut("Ann;Bo", "Cy"), (V{{"Ann", 1}, {"Bo", 1}, {"Cy", 2}}));
  // Pieces as written: a trailing ';' gives an empty piece, a leading blank stays.
  EXPECT_EQ(Cut("Ann; Bo;", ""), (V{{"Ann", 1}, {" Bo", 1}, {"", 1}}));
  // An empty To list still gives one (empty) To entry; an empty Cc list none.
  EXPECT_EQ(Cut("", ""), (V{{"", 1}}));
  EXPECT_EQ(Cut("", ";x"), (V{{"", 1}, {"", 2}, {"x", 2}}));
}

TEST(MailRecipients, PiecesPointIntoTheCutList) {
  std::string to = "a;b", cc;
  const std::vector<MailRecipient> r = CutRecipientLists(to, cc);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].name, to.c_str());
  EXPECT_EQ(r[1].name, to.c_str() + 2);
  EXPECT_EQ(to[1], '\0');
}

TEST(MailRecipients, LowAndNormalSwapTheirNumbers) {
  EXPECT_EQ(MapiImportance(0), 1);
  EXPECT_EQ(MapiImportance(1), 0);
  EXPECT_EQ(MapiImportance(2), 2);
  EXPECT_EQ(MapiImportance(3), -1);
  EXPECT_EQ(MapiImportance(-1), -1);
}

}  // namespace
}  // namespace kelmsgs
