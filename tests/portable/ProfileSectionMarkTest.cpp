// The marks of profile-section values: the two markers, their precedence, case and the
// bounds of a value's text.
#include <gtest/gtest.h>

#include <string>

#include "session/ProfileSectionMark.h"

using kelmsgs::MarkOfValueText;
using kelmsgs::SectionMark;

namespace {

SectionMark Mark(const std::string& text) {
  return MarkOfValueText(text.data(), text.size());
}

}  // namespace

TEST(ProfileSectionMark, MarkersAnywhereInTheTextCaseSensitive) {
  EXPECT_EQ(Mark("Quendrel e-mail Management"), SectionMark::kResultStore);
  EXPECT_EQ(Mark("Store: Quendrel e-mail Management (2)"), SectionMark::kResultStore);
  EXPECT_EQ(Mark("C:\\Users\\ann\\Quillora\\results.pst"), SectionMark::kVendorPath);
  EXPECT_EQ(Mark("\\Quillora\\"), SectionMark::kVendorPath);
  // Lower case, a missing blank or backslash: no mark.
  EXPECT_EQ(Mark("quendrel e-mail management"), SectionMark::kNone);
  EXPECT_EQ(Mark("Quendrel e-mail  Management"), SectionMark::kNone);
  EXPECT_EQ(Mark("C:\\Users\\ann\\quillora\\results.pst"), SectionMark::kNone);
  EXPECT_EQ(Mark("C:\\Users\\ann\\Quillora"), SectionMark::kNone);
  EXPECT_EQ(Mark("Quillora\\results.pst"), SectionMark::kNone);
  EXPECT_EQ(Mark(""), SectionMark::kNone);
  EXPECT_EQ(MarkOfValueText(nullptr, 10), SectionMark::kNone);
  // The result store's name wins over the path.
  EXPECT_EQ(Mark("D:\\Quillora\\Quendrel e-mail Management.pst"), SectionMark::kResultStore);
  EXPECT_EQ(Mark("Quendrel e-mail Management in D:\\Quillora\\"), SectionMark::kResultStore);
}

TEST(ProfileSectionMark, TextEndsAtTheFirstZeroOrTheGivenSize) {
  // A marker behind the terminator is not part of the text.
  const std::string hidden = std::string("Mailbox") + '\0' + "Quendrel e-mail Management";
  EXPECT_EQ(Mark(hidden), SectionMark::kNone);
  // Without a terminator the size bounds the text (the sanitizers check the read).
  const std::string name = "Quendrel e-mail Management";
  EXPECT_EQ(MarkOfValueText(name.data(), name.size() - 1), SectionMark::kNone);
  const std::string path = "x\\Quillora\\y";
  EXPECT_EQ(MarkOfValueText(path.data(), 10), SectionMark::kNone);
  EXPECT_EQ(MarkOfValueText(path.data(), 11), SectionMark::kVendorPath);
}
