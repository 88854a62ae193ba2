// Collects extracted text as 8-bit Latin-1, the form the filter hands out. Characters
// outside Latin-1 become '?', control characters become spaces (tab, line feed, form
// feed and carriage return stay), and the text stops growing at a byte limit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace docfilter {

class Latin1Writer {
 public:
  explicit Latin1Writer(std::size_t limit);

  // One Unicode character.
  void CodePoint(char32_t c);
  // Text whose bytes are Latin-1 characters (8-bit text of unknown code page).
  void Latin1(std::string_view bytes);
  // UTF-8 text; malformed sequences become '?'.
  void Utf8(std::string_view bytes);
  // A space unless the text is empty or already ends in white space.
  void Space();
  // A line break ("\r\n") unless the text is empty or already ends in one.
  void EndLine();
  // An unconditional line break.
  void LineBreak();

  // Room for n bytes in all, within the limit, so that long text grows without copies.
  void Reserve(std::size_t n);

  bool full() const { return text_.size() >= limit_; }
  bool empty() const { return text_.empty(); }
  const std::string& text() const { return text_; }
  std::string Take();

 private:
  void Put(char c);
  std::string text_;
  std::size_t limit_;
};

}  // namespace docfilter
