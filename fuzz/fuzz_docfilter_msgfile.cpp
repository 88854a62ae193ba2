// The mail reader for a message file (a compound file in the .msg layout) over arbitrary bytes: it
// must stay inside the data, stop, keep its members within the budget of one file, and every
// member's text must read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "MailFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ReadMailAndMembers(std::string_view(reinterpret_cast<const char*>(data), size),
                     docfilter::MailFormat::MessageFile);
  return 0;
}
