// Decides, element by element, which parts of an archive member's content make its text.
// The filter delivers body text as text elements of subtype 1 and encloses every other
// part (properties, hidden text, field codes, headers, footers, notes, comments) between
// a begin and an end element of the part's subtype; the enclosed elements are passed
// over. Portable: no Windows header, so it builds natively with sanitizers.
#pragma once

#include <cstdint>

namespace kelmsgs {

class MemberTextFilter {
 public:
  // Element types of the content reader.
  static constexpr std::uint32_t kText = 1;
  static constexpr std::uint32_t kBegin = 2;
  static constexpr std::uint32_t kEnd = 3;
  // Subtypes with a rule of their own.
  static constexpr std::uint32_t kBodyText = 0x00000001;
  static constexpr std::uint32_t kProperties = 0x00010000;

  // True when the element read just now is text that belongs to the member's text.
  // Text of another subtype than body text counts only once body text was gathered.
  bool Keep(std::uint32_t type, std::uint32_t subtype) noexcept;

  // Whether any text was kept so far.
  bool gathered() const noexcept { return gathered_; }

 private:
  // The enclosed parts whose begins and ends nest.
  static bool IsNestedPart(std::uint32_t subtype) noexcept;

  enum class Mode { kBody, kSkipProperties, kSkipNested };
  Mode mode_ = Mode::kBody;
  std::uint32_t skipSubtype_ = 0;
  unsigned long depth_ = 0;
  bool gathered_ = false;
};

}  // namespace kelmsgs
