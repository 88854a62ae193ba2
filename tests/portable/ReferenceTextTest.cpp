// The reference page's building blocks: the groups file and the call syntax of members.
#include "TypeLibText.h"

#include <gtest/gtest.h>

using namespace reference;

TEST(ReferenceGroups, HeadersMembersAndErrors) {
  std::string error;
  const auto groups = ParseGroups(
      "# comment\n[IQMXSession] Logging on | examples/demo.vbs\nLogon Logoff\n  MAPIInit\n"
      "[IQMXSession] Rich text | -\nFormatRange\n",
      error);
  ASSERT_TRUE(error.empty()) << error;
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].title, "Logging on");
  EXPECT_EQ(groups[0].sample, "examples/demo.vbs");
  EXPECT_EQ(groups[0].members, (std::vector<std::string>{"Logon", "Logoff", "MAPIInit"}));
  EXPECT_EQ(groups[1].sample, "");

  EXPECT_TRUE(ParseGroups("Logon\n", error).empty());
  EXPECT_NE(error.find("line 1"), std::string::npos);
  error.clear();
  EXPECT_TRUE(ParseGroups("[IQMXSession Logon | x\n", error).empty());
  EXPECT_FALSE(error.empty());
}

TEST(ReferenceSyntax, MethodsPropertiesAndDefaults) {
  Member logoff{"Logoff", "", "", 2, MemberKind::Method, {{"Uninit", "Boolean", "-1", true, true}}};
  EXPECT_EQ(Syntax(logoff), "Logoff([Uninit As Boolean = True])");
  Member folder{"StoreFolder",
                "",
                "IQMXStoreFolder",
                12,
                MemberKind::Get,
                {{"EntryId", "String", "", false, false}, {"StoreID", "String", "", true, true}}};
  EXPECT_EQ(Syntax(folder),
            "StoreFolder(EntryId As String, [StoreID As String = \"\"]) As IQMXStoreFolder");
  Member log{"LogFile", "", "", 14, MemberKind::Put, {{"Value", "String", "", false, false}}};
  EXPECT_EQ(Syntax(log), "LogFile = Value As String");
  Member toolbar{
      "QLAToolbar", "", "", 53, MemberKind::PutRef, {{"Value", "IOlToolbar", "", false, false}}};
  EXPECT_EQ(Syntax(toolbar), "QLAToolbar = (Set) Value As IOlToolbar");
  Member count{"MessageCount", "", "Long", 3, MemberKind::Get, {}};
  EXPECT_EQ(Syntax(count), "MessageCount As Long");
}

TEST(ReferencePage, EveryMemberIsPlacedOnce) {
  Library library;
  library.interfaces.push_back(
      {"IQMXThing",
       "",
       {{"A", "", "", 1, MemberKind::Get, {}},
        {"A", "", "", 1, MemberKind::Put, {{"Value", "Long", "", false, false}}},
        {"B", "", "", 2, MemberKind::Method, {}}}});
  std::vector<std::string> ungrouped;
  std::string page = RenderPage(library, {{"IQMXThing", "Some", "", {"A", "Missing"}}}, ungrouped);
  EXPECT_EQ(ungrouped, (std::vector<std::string>{"IQMXThing.Missing (not in the type library)",
                                                 "IQMXThing.B"}));
  EXPECT_NE(page.find("| A | get | 0x1 |"), std::string::npos);
  EXPECT_NE(page.find("| A | put | 0x1 | `A = Value As Long`"), std::string::npos);
}
