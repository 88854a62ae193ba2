// What every reader's text passes through on its way out: Latin-1 conversion, plain
// text decoding, format recognition, chunks for the text entry points, elements for the
// content entry points and the handle table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DocumentReader.h"
#include "ElementStream.h"
#include "HandleTable.h"
#include "Latin1Writer.h"
#include "TextChunker.h"

using docfilter::DetectFormat;
using docfilter::DocumentText;
using docfilter::Format;
using docfilter::PartKind;

namespace {

TEST(Latin1Writer, ConvertsCleansAndStopsAtItsLimit) {
  docfilter::Latin1Writer w(12);
  w.Utf8("\xC3\xA9\xE2\x82\xAC\x01\t\xFF");  // é, euro, control, tab, a stray byte
  EXPECT_EQ(w.text(), "\xE9? \t?");
  w.Latin1(std::string("\x00\x80z", 3));
  EXPECT_EQ(w.text(), "\xE9? \t? \x80z");
  w.Latin1("overflowing text");
  EXPECT_EQ(w.text().size(), 12u);
  EXPECT_TRUE(w.full());
}

TEST(PlainText, ByteOrderMarksAndEightBitText) {
  const auto text = [](const std::string& data) {
    return docfilter::ExtractText(data, DetectFormat(data)).ReadableText();
  };
  EXPECT_EQ(text(std::string("\xFF\xFE"
                             "A\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE",
                             12)),
            "A\xE9??");
  EXPECT_EQ(text(std::string("\xFE\xFF\0B\0\xFC", 6)), "B\xFC");
  EXPECT_EQ(text("\xEF\xBB\xBFZ\xC3\xBCrich"), "Z\xFCrich");
  EXPECT_EQ(text("Z\xFCrich in 8 bits"), "Z\xFCrich in 8 bits");
  // A 10 MB line has no line break to wait for.
  EXPECT_EQ(text(std::string(10 << 20, 'w')).size(), 10u << 20);
}

TEST(FormatDetection, ContentDecidesNotTheName) {
  EXPECT_EQ(DetectFormat(""), Format::Text);
  EXPECT_EQ(DetectFormat("just words\n"), Format::Text);
  EXPECT_EQ(DetectFormat("  <html><body>x</body></html>"), Format::Html);
  EXPECT_EQ(DetectFormat("{\\rtf1 x}"), Format::Rtf);
  EXPECT_EQ(DetectFormat("%PDF-1.7\n"), Format::Pdf);
  EXPECT_EQ(DetectFormat("From: a@b\r\nSubject: s\r\n\r\nbody"), Format::Mail);
  EXPECT_EQ(DetectFormat("Note: not mail\nJust: text\n\nbody"), Format::Text);
  EXPECT_EQ(DetectFormat(std::string("MZ\x90\0\x03\0\0\0", 8)), Format::Unknown);
  EXPECT_EQ(DetectFormat(std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16)), Format::Unknown);
}

TEST(TextChunker, ChunksAndStatuses) {
  const std::string long_text(65535 + 10, 'a');
  docfilter::TextChunker chunker(long_text);
  std::vector<char> buffer(70000);
  std::size_t n = 0;
  EXPECT_EQ(chunker.Read(true, buffer.data(), 70000, &n), docfilter::kChunkMore);
  EXPECT_EQ(n, 65535u);  // never more than a chunk, whatever the room
  EXPECT_EQ(chunker.Read(false, buffer.data(), 70000, &n), docfilter::kChunkLast);
  EXPECT_EQ(n, 10u);
  EXPECT_EQ(chunker.Read(false, buffer.data(), 70000, &n), docfilter::kChunkNone);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(chunker.Read(true, buffer.data(), 5, &n), docfilter::kChunkMore);  // starts again
  EXPECT_EQ(chunker.Read(false, nullptr, 5, &n), docfilter::kChunkBadArgs);

  docfilter::TextChunker empty{std::string_view()};
  EXPECT_EQ(empty.Read(true, buffer.data(), 100, &n), docfilter::kChunkNone);
}

TEST(ElementStream, OtherPartsAreEnclosedAndLongTextIsSplit) {
  DocumentText text;
  text.Add(PartKind::Body, "0123456789");
  text.Add(PartKind::Footnote, "note");
  text.Add(PartKind::Properties, "props");
  docfilter::ElementStream stream(text);
  char buffer[4];
  docfilter::ElementOut e;
  std::vector<std::string> seen;
  for (bool first = true; stream.Read(first, buffer, sizeof buffer, e); first = false)
    seen.push_back(std::to_string(e.type) + ":" + std::to_string(e.subtype) + ":" +
                   std::string(buffer, e.textBytes));
  const std::vector<std::string> expected = {
      "1:1:0123",   "1:1:4567", "1:1:89",   "2:1179648:", "1:1:note",
      "3:1179648:", "2:65536:", "1:1:prop", "1:1:s",      "3:65536:"};
  EXPECT_EQ(seen, expected);
  ASSERT_TRUE(stream.Read(true, buffer, sizeof buffer, e));  // rewinds
  EXPECT_EQ(std::string(buffer, e.textBytes), "0123");
}

TEST(HandleTable, StaleAndForeignHandlesAreRefused) {
  docfilter::HandleTable<int> table(2);
  const auto a = table.Add(std::make_shared<int>(1));
  const auto b = table.Add(std::make_shared<int>(2));
  EXPECT_NE(a, 0u);
  EXPECT_EQ(table.Add(std::make_shared<int>(3)), 0u);  // full
  EXPECT_EQ(*table.Get(b), 2);
  EXPECT_TRUE(table.Remove(a));
  EXPECT_FALSE(table.Remove(a));
  EXPECT_FALSE(table.Get(a));
  EXPECT_FALSE(table.Get(0x12345678));
  const auto c = table.Add(std::make_shared<int>(4));
  EXPECT_NE(c, a);  // handles are never reused
}

}  // namespace
