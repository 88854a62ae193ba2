// The accuracy corpus: documents written by outside tools from one source text. Every
// format must give back at least 99% of the source's words, and no truncation or
// corruption of any corpus file may crash a reader (the sanitizers watch).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "DocumentReader.h"
#include "FilterDocument.h"
#include "Recall.h"

using docfilter::DetectFormat;
using docfilter::ExtractText;
using docfilter::Format;

namespace {

const std::string kCorpus = DOCFILTER_CORPUS_DIR;

struct CorpusFile {
  const char* name;
  Format format;
  const char* source = "source.txt";  // the words the file was made from
};

const CorpusFile kFiles[] = {
    {"report_utf8.txt", Format::Text},
    {"report_latin1.txt", Format::Text},
    {"report_utf16.txt", Format::Text},
    {"report.html", Format::Html},
    {"report.rtf", Format::Rtf},
    {"report.eml", Format::Mail},
    {"report.docx", Format::Word},
    {"report.xlsx", Format::Spreadsheet},
    {"report.pptx", Format::Presentation},
    {"report.odt", Format::OpenDocument},
    {"report.ods", Format::OpenDocument},
    {"report.odp", Format::OpenDocument},
    {"report.pdf", Format::Pdf},
    {"guide.html", Format::Html, "guide_source.txt"},
    {"guide.rtf", Format::Rtf, "guide_source.txt"},
    {"guide.docx", Format::Word, "guide_source.txt"},
    {"guide.odt", Format::OpenDocument, "guide_source.txt"},
    {"guide.pdf", Format::Pdf, "guide_source.txt"},
};

class CorpusRecall : public testing::TestWithParam<CorpusFile> {};

TEST_P(CorpusRecall, RecoversAtLeast99PercentOfTheSourceWords) {
  const std::string source =
      dftest::Utf8ToLatin1(dftest::ReadWholeFile(kCorpus + "/" + GetParam().source));
  const std::string data = dftest::ReadWholeFile(kCorpus + "/" + GetParam().name);
  ASSERT_FALSE(data.empty());
  ASSERT_EQ(DetectFormat(data), GetParam().format);
  const std::string text = ExtractText(data, GetParam().format).ReadableText();
  const auto recall = dftest::MeasureRecall(source, text);
  std::printf("recall %-18s %6.2f%% (%zu of %zu words)\n", GetParam().name, 100 * recall.share(),
              recall.found, recall.total);
  EXPECT_GE(recall.share(), 0.99) << text;
}

INSTANTIATE_TEST_SUITE_P(Formats, CorpusRecall, testing::ValuesIn(kFiles), [](const auto& info) {
  std::string name = info.param.name;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});

// Members of the corpus archive are read for what they are: the docx inside keeps its
// footnote apart from the body, the binary member has no text.
TEST(CorpusArchive, MembersAreReadByTheirOwnFormat) {
  const auto doc = docfilter::FilterDocument::Open(dftest::ReadWholeFile(kCorpus + "/archive.zip"));
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->memberCount(), 4u);  // the directory entry is not a member
  EXPECT_EQ(doc->member(1)->name, "docs/report.docx");
  const auto docx = doc->MemberText(1);
  ASSERT_TRUE(docx);
  bool footnote = false;
  for (const auto& part : docx->parts()) {
    if (part.kind == docfilter::PartKind::Body)
      EXPECT_EQ(part.text.find("lighthouse"), std::string::npos);
    if (part.kind == docfilter::PartKind::Footnote)
      footnote = part.text.find("lighthouse") != std::string::npos;
  }
  EXPECT_TRUE(footnote);
  const auto binary = doc->MemberText(3);
  ASSERT_TRUE(binary);
  EXPECT_TRUE(binary->empty());
}

// Every prefix length class and scattered byte damage: the readers must stay inside
// their input and stop, whatever text they give.
TEST(CorpusDamage, TruncatedAndCorruptFilesNeverCrash) {
  for (const CorpusFile& file : kFiles) {
    const std::string data = dftest::ReadWholeFile(kCorpus + "/" + file.name);
    for (std::size_t cut :
         {std::size_t{1}, std::size_t{7}, data.size() / 3, data.size() / 2, data.size() - 1}) {
      const std::string prefix = data.substr(0, cut);
      (void)ExtractText(prefix, DetectFormat(prefix));
      (void)ExtractText(prefix, file.format);
    }
    std::string damaged = data;
    for (std::size_t i = 17; i < damaged.size(); i += 97)
      damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    (void)ExtractText(damaged, file.format);
  }
}

}  // namespace
