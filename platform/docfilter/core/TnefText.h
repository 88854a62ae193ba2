// TNEF streams ("winmail.dat", application/ms-tnef): a signature, a key, then attributes
// of the message and of its attachments, each with a level, an identifier, a length, the
// data and a checksum. The mapped attributes (subject, body, sender, date, attachment
// title and data) and the encapsulated MAPI properties of the message and each
// attachment are read into a message; embedded messages are TNEF streams themselves.
// An attribute whose length runs past the data ends the stream; one whose checksum is
// wrong is passed over.
#pragma once

#include <string_view>

#include "MailContents.h"
#include "core/MessageData.h"

namespace docfilter {

class TnefText {
 public:
  static bool Detect(std::string_view data);
  // The text and the members; false when the data is not a TNEF stream.
  static bool Read(std::string_view data, MailContents& out);
};

// The message of a TNEF stream; false without the signature. depth counts the embedded
// messages around it: deeper than the mail nesting cap they are not read.
bool ReadTnef(std::string_view data, mapistandin::MessageData& message, std::size_t depth = 0);

}  // namespace docfilter
