// The inputs of the text-extraction benchmark, made in memory at start: reproducible
// words, a docx of paragraphs of them, and a ZIP of many text members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace bench {

// Words in a reproducible order, with line breaks, until the text has size bytes (UTF-8:
// one of the words has an accented letter).
std::string Words(std::size_t size, std::uint32_t seed);

// A docx whose package is about fileSize bytes (its XML about four times that).
std::string Docx(std::size_t fileSize);

// A ZIP of `members` deflated text members of memberSize bytes each.
std::string ManyMembers(std::size_t members, std::size_t memberSize);

}  // namespace bench
