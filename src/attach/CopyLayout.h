// Where the attachment copy writes, below the temporary "QLA\" root (8-bit paths):
//   root + D + "\"                      the copy directory of one destination message
//   copy directory + K + "\" + name     the data of one attachment
//   copy directory + K + "\" + K ".msg" an embedded message
// D and K are the hexadecimal forms of the destination's entry identifier and of the
// attachment's record key; a missing one leaves its segment out. Portable: no Windows
// header, tested natively.
#pragma once

#include <string>
#include <string_view>

namespace kelmsgs {

// dir + segment + "\" (dir alone when the segment is empty). dir ends with a backslash.
std::string SubdirectoryPath(std::string_view dir, std::string_view segment);

// The file an attachment row is written to, in its own directory below copyDir. The
// mail's name is made safe first (see SafeFileName): the file always lies inside that
// directory, whatever the sender called it.
std::string AttachmentFilePath(std::string_view copyDir, std::string_view recordKeyHex,
                               std::string_view fileName, bool embeddedMessage);

}  // namespace kelmsgs
