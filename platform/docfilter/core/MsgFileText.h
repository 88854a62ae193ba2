// Outlook message files (".msg"): a compound file in the message-file layout, read
// through the message-file reader into the view of a mail message.
#pragma once

#include <string_view>

#include "MailContents.h"

namespace docfilter {

class MsgFileText {
 public:
  // Whether the data is a compound file whose root holds a message's property stream.
  static bool Detect(std::string_view data);
  // The text and the members; false when the data is not a readable message file.
  static bool Read(std::string_view data, MailContents& out);
};

}  // namespace docfilter
