// Mail written by Python's email package (an independent producer, run by CTest before
// this test): the filter must list every attachment and nested message with the name
// and decoded size Python gives it, and recover the words of the text and of each member.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FilterDocument.h"
#include "Recall.h"

namespace {

const std::string kSamples = DOCFILTER_MAIL_SAMPLES_DIR;

std::vector<std::vector<std::string>> ExpectRows(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    rows.push_back(fields);
  }
  return rows;
}

void ExpectRecall(const std::string& wordsFile, const std::string& text, const char* what) {
  const std::string source =
      dftest::Utf8ToLatin1(dftest::ReadWholeFile(kSamples + "/" + wordsFile));
  ASSERT_FALSE(source.empty()) << wordsFile;
  const auto recall = dftest::MeasureRecall(source, text);
  std::printf("recall %-40s %6.2f%% (%zu of %zu words)\n", what, 100 * recall.share(), recall.found,
              recall.total);
  EXPECT_GE(recall.share(), 0.99) << what << ":\n" << text;
}

TEST(PythonMail, EveryAttachmentAndNestedMessageIsAMemberWithItsText) {
  const auto doc =
      docfilter::FilterDocument::Open(dftest::ReadWholeFile(kSamples + "/forwarded.eml"));
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->format(), docfilter::Format::Mail);
  const auto rows = ExpectRows(kSamples + "/forwarded.expect");
  ASSERT_FALSE(rows.empty());

  // 1. The message's own text: decoded headers and the plain body, not the HTML copy.
  ExpectRecall(rows[0][1], doc->readableText(), "forwarded.eml");
  EXPECT_EQ(doc->readableText().find("zeppelins"), std::string::npos);

  // 2. The members in order, with Python's names and decoded sizes, and their words.
  ASSERT_EQ(doc->memberCount(), rows.size() - 1);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i][1]);
    const auto member = doc->member(i - 1);
    ASSERT_TRUE(member);
    EXPECT_EQ(member->name, dftest::Utf8ToLatin1(rows[i][1]));
    if (rows[i][2] != "-") EXPECT_EQ(member->size, std::stoull(rows[i][2]));
    const auto text = doc->MemberText(i - 1);
    ASSERT_TRUE(text);
    ExpectRecall(rows[i][3], text->ReadableText(), rows[i][1].c_str());
  }
}

}  // namespace
