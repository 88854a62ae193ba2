// The installed filter through its entry points: installation where the library looks,
// document text in chunks with its statuses, refusal of files and handles it cannot
// use, and the accuracy corpus read through the DLLs.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "FilterLibrary.h"
#include "Recall.h"
#include "TempFile.h"

namespace {

const std::string kCorpus = DOCFILTER_CORPUS_DIR;

class DocumentAccess : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Filter().problem(), "") << Filter().directory(); }
  const FilterLibrary& f = Filter();
};

TEST_F(DocumentAccess, CorpusTextThroughTheDlls) {
  const std::string report = dftest::Utf8ToLatin1(dftest::ReadWholeFile(kCorpus + "/source.txt"));
  const std::string guide =
      dftest::Utf8ToLatin1(dftest::ReadWholeFile(kCorpus + "/guide_source.txt"));
  for (const char* name :
       {"report_utf8.txt", "report_utf16.txt", "report.html", "report.rtf", "report.eml",
        "report.docx", "report.xlsx", "report.pptx", "report.odt", "report.ods", "report.odp",
        "report.pdf", "guide.html", "guide.rtf", "guide.docx", "guide.odt", "guide.pdf"}) {
    DFSTATUS status = -100;
    const std::string text = f.DocumentText(kCorpus + "/" + name, &status);
    ASSERT_EQ(status, DF_OK) << name;
    const std::string& source = std::string(name).starts_with("guide") ? guide : report;
    const auto recall = dftest::MeasureRecall(source, text);
    std::printf("dll recall %-18s %6.2f%%\n", name, 100 * recall.share());
    EXPECT_GE(recall.share(), 0.99) << name;
  }
}

// Long text comes in chunks of at most 65535 bytes: status 0 while more follows, 31 with
// the last, then a non-zero status with no bytes. Reading first again starts over.
TEST_F(DocumentAccess, ChunksAndStatuses) {
  std::string body = "  \t\r\nleading white space stays";
  body.resize(65535 * 2 + 100, 'x');
  const TempFile file("long.txt", body);
  DFHANDLE doc = 0;
  ASSERT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(file.path().c_str()), 0),
            DF_OK);
  DFHANDLE text = 0;
  ASSERT_EQ(f.TAOpenText(doc, &text), DF_OK);
  std::vector<BYTE> buffer(65536);
  DWORD count = 0;
  EXPECT_EQ(f.TAReadFirst(text, buffer.data(), 65535, &count), DF_OK);
  EXPECT_EQ(count, 65535u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data()), 5), "  \t\r\n");
  EXPECT_EQ(f.TAReadNext(text, buffer.data(), 65535, &count), DF_OK);
  EXPECT_EQ(f.TAReadNext(text, buffer.data(), 65535, &count), DF_TEXT_LAST);
  EXPECT_EQ(count, 100u);
  EXPECT_NE(f.TAReadNext(text, buffer.data(), 65535, &count), DF_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(f.TAReadFirst(text, buffer.data(), 65535, &count), DF_OK);
  EXPECT_EQ(buffer[5], 'l');
  EXPECT_EQ(f.TACloseText(text), DF_OK);
  EXPECT_EQ(f.DACloseDocument(doc), DF_OK);
}

// The file is read at open: deleting it afterwards (as the attachment object does with
// its temporary copy) loses nothing. A short text is one last chunk; an empty one has
// none.
TEST_F(DocumentAccess, TextSurvivesTheFileAndEmptyTextHasNoChunk) {
  DFHANDLE doc = 0;
  {
    const TempFile file("short.txt", "caf\xE9 \x01 end");
    ASSERT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(file.path().c_str()), 0),
              DF_OK);
  }
  DFHANDLE text = 0;
  ASSERT_EQ(f.TAOpenText(doc, &text), DF_OK);
  BYTE buffer[64];
  DWORD count = 0;
  EXPECT_EQ(f.TAReadFirst(text, buffer, 65535, &count), DF_TEXT_LAST);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), count), "caf\xE9   end");
  EXPECT_EQ(f.TACloseText(text), DF_OK);
  EXPECT_EQ(f.DACloseDocument(doc), DF_OK);

  const TempFile empty("empty.txt", "");
  ASSERT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(empty.path().c_str()), 0),
            DF_OK);
  ASSERT_EQ(f.TAOpenText(doc, &text), DF_OK);
  const DFSTATUS rc = f.TAReadFirst(text, buffer, 65535, &count);
  EXPECT_NE(rc, DF_OK);
  EXPECT_NE(rc, DF_TEXT_LAST);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(f.TACloseText(text), DF_OK);
  EXPECT_EQ(f.DACloseDocument(doc), DF_OK);
}

TEST_F(DocumentAccess, FilesItCannotReadAreRefused) {
  DFHANDLE doc = 77;
  const TempFile binary("program.exe", std::string("MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF", 14));
  EXPECT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(binary.path().c_str()), 0),
            DF_E_UNKNOWNFORMAT);
  EXPECT_EQ(doc, 0u);
  char missing[] = "C:\\no\\such\\file.txt";
  EXPECT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, missing, 0), DF_E_FILEOPEN);
  EXPECT_EQ(f.DAOpenDocument(&doc, 1, missing, 0), DF_E_BADSOURCE);
  EXPECT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, nullptr, 0), DF_E_BADPARAM);
  EXPECT_EQ(f.DAOpenDocument(nullptr, DF_SOURCE_ANSIPATH, missing, 0), DF_E_BADPARAM);
  const TempFile truncated("cut.docx",
                           dftest::ReadWholeFile(kCorpus + "/report.docx").substr(0, 2000));
  // A cut-off document is refused with a reason and no text, or read as far as it goes: then
  // every word it yields is one the whole document yields, never bytes of the broken container.
  DFSTATUS status = DF_OK;
  const std::string text = f.DocumentText(truncated.path(), &status);
  if (status != DF_OK) {
    EXPECT_TRUE(status == DF_E_UNKNOWNFORMAT || status == DF_E_FILEOPEN) << status;
    EXPECT_EQ(text, "");
  }
  DFSTATUS whole = -100;
  const std::string report = f.DocumentText(kCorpus + "/report.docx", &whole);
  ASSERT_EQ(whole, DF_OK);
  std::istringstream words(text);
  for (std::string word; words >> word;) EXPECT_NE(report.find(word), std::string::npos) << word;
}

// Closed, foreign and made-up handles are refused, never followed.
TEST_F(DocumentAccess, StaleAndForeignHandlesAreRefused) {
  const TempFile file("h.txt", "text");
  DFHANDLE doc = 0;
  ASSERT_EQ(f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(file.path().c_str()), 0),
            DF_OK);
  DFHANDLE text = 0;
  ASSERT_EQ(f.TAOpenText(doc, &text), DF_OK);
  BYTE buffer[16];
  DWORD count = 0;
  EXPECT_EQ(f.TAReadFirst(doc, buffer, 16, &count), DF_E_BADHANDLE);  // a document is not a reader
  EXPECT_EQ(f.DACloseDocument(doc), DF_OK);
  EXPECT_EQ(f.TAReadFirst(text, buffer, 16, &count), DF_TEXT_LAST);  // the reader outlives it
  EXPECT_EQ(f.DACloseDocument(doc), DF_E_BADHANDLE);
  DFHANDLE again = 0;
  EXPECT_EQ(f.TAOpenText(doc, &again), DF_E_BADHANDLE);
  EXPECT_EQ(f.TACloseText(text), DF_OK);
  EXPECT_EQ(f.TACloseText(text), DF_E_BADHANDLE);
  LONG members = 0;
  EXPECT_EQ(f.DAGetTreeCount(0xDEADBEEF, &members), DF_E_BADHANDLE);
  EXPECT_EQ(f.DASetOption(0, 1, nullptr, 0), DF_OK);
}

}  // namespace
