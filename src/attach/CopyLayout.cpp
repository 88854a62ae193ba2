#include "attach/CopyLayout.h"

#include "attach/SafeFileName.h"

namespace kelmsgs {

std::string SubdirectoryPath(std::string_view dir, std::string_view segment) {
  std::string path(dir);
  if (!segment.empty()) {
    path += segment;
    path += '\\';
  }
  return path;
}

std::string AttachmentFilePath(std::string_view copyDir, std::string_view recordKeyHex,
                               std::string_view fileName, bool embeddedMessage) {
  std::string path = SubdirectoryPath(copyDir, recordKeyHex);
  if (embeddedMessage) {
    path += recordKeyHex;
    path += ".msg";
  } else {
    path += SafeFileName(fileName);
  }
  return path;
}

}  // namespace kelmsgs
