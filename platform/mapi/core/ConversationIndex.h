// Conversation indexes: a 22-byte header (reserved byte 1, the top five bytes of the
// FILETIME big-endian, a GUID with Data1 to Data3 big-endian) and one 5-byte block per
// reply (a range bit, 31 bits of the time since the header's time, 4 random bits and a
// 4-bit sequence count).
#pragma once

#include <cstdint>
#include <string>

namespace mapistandin {

// A new index (parent empty), or a child of the parent index. guid: 16 bytes in memory
// order; random: its low 4 bits are used. An empty result means the parent is not an index.
std::string MakeConversationIndex(const std::string& parent, std::uint64_t fileTime,
                                  const std::string& guid, std::uint8_t random);

}  // namespace mapistandin
