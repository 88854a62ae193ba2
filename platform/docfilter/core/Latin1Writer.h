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

  // The Latin-1 form of one Unicode character.
  static char Latin1Of(char32_t c);
  // Replaces the control characters of n bytes of 8-bit text with spaces, in place.
  static void CleanControls(char* text, std::size_t n);
  // Converts n bytes of UTF-8 at in to Latin-1 at out, which may be in itself (the text
  // never takes more bytes than it had); the number of bytes written.
  static std::size_t Utf8ToLatin1(const char* in, std::size_t n, char* out);

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
