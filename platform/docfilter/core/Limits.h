// Caps that keep every parser bounded whatever its input claims: sizes declared inside a
// file are never trusted, they only ever lower these limits.
#pragma once

#include <cstddef>

namespace docfilter {

// Largest file the filter reads into memory.
inline constexpr std::size_t kMaxInputBytes = 256u << 20;
// Largest decompressed size of one archive member or one compressed stream.
inline constexpr std::size_t kMaxInflatedBytes = 64u << 20;
// Largest amount of text extracted from one document.
inline constexpr std::size_t kMaxTextBytes = 64u << 20;
// Largest number of archive members listed.
inline constexpr std::size_t kMaxMembers = 65535;
// Longest member name kept (the tree record holds 1024 bytes with its terminator).
inline constexpr std::size_t kMaxNameBytes = 1023;
// Deepest nesting of RTF groups and MIME multiparts that is still interpreted.
inline constexpr std::size_t kMaxRtfDepth = 512;
inline constexpr std::size_t kMaxMimeDepth = 16;
// Documents inside documents (a ZIP member that is itself a ZIP) are opened this deep.
inline constexpr std::size_t kMaxContainerDepth = 3;
// Messages inside mail files (an attached mail that carries mail) are read this deep.
inline constexpr std::size_t kMaxMailDepth = 8;
// Parts of one document that are decompressed in total (PDF streams, OOXML parts).
inline constexpr std::size_t kMaxInflatedTotal = 256u << 20;

}  // namespace docfilter
