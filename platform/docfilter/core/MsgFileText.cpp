#include "MsgFileText.h"

#include "CompoundFile.h"
#include "MapiMessageText.h"
#include "msgfile/MsgFile.h"

namespace docfilter {

bool MsgFileText::Detect(std::string_view data) {
  if (!CompoundFile::LooksLikeCompoundFile(data)) return false;
  const auto tree = CompoundFile::Read(data);
  return tree && tree->streams.contains(mapistandin::kPropertiesStream);
}

bool MsgFileText::Read(std::string_view data, MailContents& out) {
  // 1. The storage tree of the compound file.
  const auto tree = CompoundFile::Read(data);
  if (!tree) return false;
  // 2. The message it holds.
  mapistandin::MessageData message;
  mapistandin::NameMap names;
  if (!mapistandin::ReadMsgFile(*tree, message, names)) return false;
  // 3. Its text and members.
  ReadMapiMessage(message, out);
  return true;
}

}  // namespace docfilter
