// Names from mail made safe for a path below one directory: whatever the sender wrote,
// the result is one plain name of that directory.
#include <gtest/gtest.h>

#include <string>

#include "attach/SafeFileName.h"
#include "message/IdList.h"

using kelmsgs::SafeFileName;
using kelmsgs::SplitIdList;

TEST(SafeFileName, KeepsOnlyTheLastPathComponent) {
  EXPECT_EQ(SafeFileName("..\\..\\x.txt"), "x.txt");
  EXPECT_EQ(SafeFileName("../../etc/passwd"), "passwd");
  EXPECT_EQ(SafeFileName("a/b"), "b");
  EXPECT_EQ(SafeFileName("dir\\sub/mixed\\name.doc"), "name.doc");
  EXPECT_EQ(SafeFileName("C:\\x"), "x");
  EXPECT_EQ(SafeFileName("C:x.txt"), "x.txt");  // drive-relative
  EXPECT_EQ(SafeFileName("\\\\server\\share\\f.bin"), "f.bin");
  EXPECT_EQ(SafeFileName("\\\\?\\C:\\long\\y.txt"), "y.txt");
  EXPECT_EQ(SafeFileName("report.docx"), "report.docx");
}

TEST(SafeFileName, ReplacesCharactersWindowsForbids) {
  EXPECT_EQ(SafeFileName("a<b>c\"d|e?f*g.txt"), "a_b_c_d_e_f_g.txt");
  EXPECT_EQ(SafeFileName("file.txt:stream"), "file.txt_stream");
  EXPECT_EQ(SafeFileName(std::string("tab\there\x01.txt")), "tab_here_.txt");
  EXPECT_EQ(SafeFileName(std::string("nul\0byte", 8)), "nul_byte");
  // Latin-1 letters and blanks inside a name are fine.
  EXPECT_EQ(SafeFileName("Bericht f\xFCr M\xE4rz.doc"), "Bericht f\xFCr M\xE4rz.doc");
}

TEST(SafeFileName, NeverAReservedDeviceName) {
  for (const char* device : {"CON", "con", "PRN", "AUX", "NUL", "Nul", "COM1", "com9", "LPT1",
                             "lpt9", "COM0", "CONIN$", "conout$"})
    EXPECT_EQ(SafeFileName(device), std::string("_") + device) << device;
  EXPECT_EQ(SafeFileName("CON.txt"), "_CON.txt");
  EXPECT_EQ(SafeFileName("nul.tar.gz"), "_nul.tar.gz");
  EXPECT_EQ(SafeFileName("NUL .log"), "_NUL .log");
  EXPECT_EQ(SafeFileName("CON."), "_CON");
  EXPECT_EQ(SafeFileName("dir\\AUX"), "_AUX");
  EXPECT_EQ(SafeFileName("COM\xB9"), "_COM\xB9");
  // Only the exact words are devices.
  EXPECT_EQ(SafeFileName("CONSOLE.txt"), "CONSOLE.txt");
  EXPECT_EQ(SafeFileName("COM10"), "COM10");
  EXPECT_EQ(SafeFileName("LPT"), "LPT");
  EXPECT_EQ(SafeFileName("xCON"), "xCON");
}

// No name of dots only, no trailing dots or blanks, nothing empty: those become
// "Untitled" or lose the tail. Whatever comes out comes out again unchanged.
TEST(SafeFileName, DotsBlanksAndEmptyNamesAndStableResults) {
  const struct {
    const char* name;
    const char* safe;
  } cases[] = {{".", "Untitled"},        {"..", "Untitled"},         {"..\\..", "Untitled"},
               {"name. ", "name"},       {"name . . ", "name"},      {"   ", "Untitled"},
               {".profile", ".profile"}, {" lead.txt", " lead.txt"}, {"", "Untitled"},
               {"dir\\", "Untitled"},    {"C:", "Untitled"}};
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.name), c.safe) << c.name;
  for (const char* name : {"..\\..\\x.txt", "CON", "a/b", "name. ", "C:\\x", "<>", ""}) {
    const std::string once = SafeFileName(name);
    EXPECT_EQ(SafeFileName(once), once) << name;
  }
}

// UTF-16 names follow the same rules and keep every character of other scripts.
TEST(SafeFileName, WideNamesFollowTheSameRules) {
  EXPECT_EQ(SafeFileName(std::wstring_view(L"..\\\u65E5\u672C/Bericht-\u00DC.txt")),
            L"Bericht-\u00DC.txt");
  EXPECT_EQ(SafeFileName(std::wstring_view(L"C:\u65E5<\u672C>.doc. ")), L"\u65E5_\u672C_.doc");
  EXPECT_EQ(SafeFileName(std::wstring_view(L"lpt\u00B9.log")), L"_lpt\u00B9.log");
  EXPECT_EQ(SafeFileName(std::wstring_view(L"nul .txt")), L"_nul .txt");
  EXPECT_EQ(SafeFileName(std::wstring_view(L"\\..")), L"Untitled");
  // A character whose low byte is a separator or a dot is no separator or dot.
  EXPECT_EQ(SafeFileName(std::wstring_view(L"a\u015Cb\u012E")), L"a\u015Cb\u012E");
}

TEST(IdList, SplitsAtSemicolonsAndDropsEmptyItems) {
  using List = std::vector<std::string_view>;
  EXPECT_EQ(SplitIdList("0A0B"), List({"0A0B"}));
  EXPECT_EQ(SplitIdList("0A;0B"), List({"0A", "0B"}));
  EXPECT_EQ(SplitIdList(";0A;;0B;"), List({"0A", "0B"}));
  EXPECT_EQ(SplitIdList(" 0A"), List({" 0A"}));  // items are compared exactly
  EXPECT_TRUE(SplitIdList("").empty());
  EXPECT_TRUE(SplitIdList(";;").empty());
}
