// QMXFileContent over plain documents: opening, the text of one or many chunks and its
// cleaning, the members that report fixed values, and the object log.

#include "content/ContentFixture.h"
#include "support/StandinControls.h"

namespace contenttest {
namespace {

using FileContentTest = ContentTest;

TEST_F(FileContentTest, UnreadableFilesDoNotOpenAndLeaveNoText) {
  const std::string garbage("\x00\x01\x02\x03\xFF\xFE\x80\x81\x00\x00\x07\x08", 12);
  for (const std::string& path :
       {Write("garbage.bin", garbage), dir_ + "\\missing.txt", std::string()}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(Open(path));
    std::u16string text = u"unchanged";
    EXPECT_EQ(Text(text), S_OK);
    EXPECT_EQ(text, u"");
  }
  VARIANT_BOOL opened = VARIANT_TRUE;
  EXPECT_EQ(content_->Open(nullptr, nullptr, &opened), S_OK);
  EXPECT_EQ(opened, VARIANT_FALSE);
}

// A document whose path the ANSI code page cannot hold (a directory named in two
// scripts) is still opened: the filter is given a path it can reach.
TEST_F(FileContentTest, OpensADocumentWhosePathLiesOutsideTheAnsiCodePage) {
  const std::wstring wideDir(dir_.begin(), dir_.end());
  const std::wstring dir = wideDir + L"\\\u00DCbergr\u00F6\u00DFe-\u65E5\u672C";
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  const std::wstring path = dir + L"\\Inhalt-\u65E5\u672C.txt";
  {
    kelmsgs::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    const char text[] = "Text in a far directory";
    DWORD written = 0;
    WriteFile(file.get(), text, sizeof text - 1, &written, nullptr);
  }
  Bstr name(SysAllocString(path.c_str()));
  VARIANT_BOOL opened = VARIANT_FALSE;
  EXPECT_EQ(content_->Open(nullptr, name.get(), &opened), S_OK);
  EXPECT_EQ(opened, VARIANT_TRUE);
  std::u16string text;
  EXPECT_EQ(Text(text), S_OK);
  EXPECT_EQ(text, u"Text in a far directory");
  content_->Close();
  DeleteFileW(path.c_str());
  RemoveDirectoryW(dir.c_str());
}

// The text as the chunks of 65535 bytes arrive: control bytes become blanks, 8-bit
// characters widen one to one, the first chunk loses its leading white space and later
// chunks keep theirs, and the chunks of a long text are joined with nothing between them.
TEST_F(FileContentTest, TextIsCleanedAndJoinedAcrossChunks) {
  const std::string head = " \t\r\n\f  ";
  const std::string body(65535 - head.size(), 'a');
  const std::string tail = "   \tsecond chunk";  // starts the second chunk
  std::string lines;                             // three whole chunks and a short last one
  for (int i = 0; lines.size() < 3 * 65535 + 1000; ++i)
    lines += "line " + std::to_string(i) + "\r\n";
  const struct {
    const char* name;
    std::string doc;
    std::u16string text;
  } cases[] = {
      {"controls.txt",
       "caf\xE9 na\xEFve\x01one\x1Ftwo\tthree\r\nfour\ffive\x0B"
       "six \xFF and the end of the sample",
       u"caf\u00E9 na\u00EFve one two\tthree\r\nfour\ffive six \u00FF and the end of the sample"},
      {"spaces.txt", head + body + tail, Widened(body + tail)},
      {"long.txt", lines, Widened(lines)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Open(Write(c.name, c.doc)));
    std::u16string text;
    ASSERT_EQ(Text(text), S_OK);
    EXPECT_EQ(text, c.text);
    // Each read starts the text again from its first chunk.
    ASSERT_EQ(Text(text), S_OK);
    EXPECT_EQ(text, c.text);
  }
}

TEST_F(FileContentTest, FixedAnswersInEveryState) {
  const auto check = [&] {
    FileTypeConstants type = TypeWordProcessor;
    EXPECT_EQ(content_->get_Filetype(&type), S_OK);
    EXPECT_EQ(type, TypeUnknown);
    LONG size = -1;
    EXPECT_EQ(content_->get_Size(&size), S_OK);
    EXPECT_EQ(size, 0);
    Bstr path;
    EXPECT_EQ(content_->get_EnginePath(path.put()), S_OK);
    ASSERT_TRUE(path);
    EXPECT_EQ(SysStringLen(path.get()), 0u);
  };
  check();
  ASSERT_TRUE(Open(Write("doc.txt", "some text of 40 bytes and a few more")));
  check();
  content_->Close();
  check();
}

// While logging is on, Close and the object's end are logged; while it is off the log stays
// empty. Any non-zero value turns logging on.
TEST_F(FileContentTest, LogRecordsCloseAndDestructionOnlyWhileLoggingIsOn) {
  const std::string log = dir_ + "\\content.log";
  VARIANT_BOOL enabled = VARIANT_FALSE;
  EXPECT_EQ(content_->get_LoggingEnabled(&enabled), S_OK);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  EXPECT_EQ(content_->put_LogFile(MakeBstr("").get()), E_INVALIDARG);
  EXPECT_EQ(content_->put_LogFile(nullptr), E_INVALIDARG);
  ASSERT_EQ(content_->put_LogFile(MakeBstr(log).get()), S_OK);
  Bstr name;
  EXPECT_EQ(content_->get_LogFile(name.put()), S_OK);
  EXPECT_EQ(Units(name), Widened(log));

  // Close writes its line with nothing open.
  EXPECT_EQ(content_->Close(), S_OK);
  content_.reset();
  const std::string written = ReadFileBytes(log);
  EXPECT_NE(written.find("New session started"), std::string::npos);
  const auto closed = written.find("---> Document closed.");
  const auto destructed = written.find("---> FileContent destructed.");
  EXPECT_NE(closed, std::string::npos) << written;
  EXPECT_NE(destructed, std::string::npos) << written;
  EXPECT_LT(closed, destructed);

  const std::string quiet = dir_ + "\\quiet.log";
  ASSERT_EQ(CQMXFileContent::Create(content_), S_OK);
  EXPECT_EQ(content_->put_LoggingEnabled(VARIANT_FALSE), S_OK);
  ASSERT_EQ(content_->put_LogFile(MakeBstr(quiet).get()), S_OK);
  content_->Close();
  EXPECT_EQ(content_->put_LoggingEnabled(2), S_OK);
  content_->get_LoggingEnabled(&enabled);
  EXPECT_EQ(enabled, VARIANT_TRUE);
  content_->put_LoggingEnabled(VARIANT_FALSE);
  content_.reset();
  EXPECT_EQ(ReadFileBytes(quiet), "");
}

}  // namespace
}  // namespace contenttest
