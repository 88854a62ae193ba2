#include "session/AttachmentList.h"

#include <gtest/gtest.h>

namespace kelmsgs {
namespace {

using Items = std::vector<std::string>;

TEST(AttachmentList, CutsAtEverySeparatorAndKeepsTheEmptyLastItem) {
  EXPECT_EQ(SplitAttachmentList("C:\\a\\one.txt;C:\\b\\two.doc"),
            (Items{"C:\\a\\one.txt", "C:\\b\\two.doc"}));
  // A trailing ";" leaves an empty last item, which the caller tries (and fails) to attach.
  EXPECT_EQ(SplitAttachmentList("C:\\a\\one.txt;"), (Items{"C:\\a\\one.txt", ""}));
  EXPECT_EQ(SplitAttachmentList(""), (Items{""}));
  EXPECT_EQ(SplitAttachmentList(";;x"), (Items{"", "", "x"}));
}

TEST(AttachmentList, NamesEachItemByThePartAfterTheLastBackslash) {
  EXPECT_EQ(AttachmentName("C:\\dir\\sub\\report.pdf"), "report.pdf");
  EXPECT_EQ(AttachmentName("report.pdf"), "report.pdf");
  EXPECT_EQ(AttachmentName("C:\\dir\\"), "");
  // Forward slashes are part of the name: only a backslash separates.
  EXPECT_EQ(AttachmentName("C:/dir/report.pdf"), "C:/dir/report.pdf");
}

}  // namespace
}  // namespace kelmsgs
