#include "session/EventQueuePlan.h"

#include <limits>

namespace kelmsgs {

std::optional<TypedEvent> TypedEventOf(long eventType) noexcept {
  switch (eventType) {
    case kEventNewMail:
      return TypedEvent{kEventIdNewMail, "New mail."};
    case kEventCreated:
      return TypedEvent{kEventIdMessageCreated, "Message created."};
    case kEventModified:
      return TypedEvent{kEventIdMessageModified, "Message modified."};
    case kEventMoved:
      return TypedEvent{kEventIdMessageMoved, "Message moved."};
    case kEventCopied:
      return TypedEvent{kEventIdMessageCopied, "Message copied."};
    default:
      return std::nullopt;
  }
}

std::optional<QueueKind> QueueKindOf(unsigned long eventType) noexcept {
  switch (eventType) {
    case kEventNewMail:
      return QueueKind{5, "New message: "};
    case kEventCreated:
      return QueueKind{1, "Message created: "};
    case kEventDeleted:
      return QueueKind{2, "Message deleted: "};
    case kEventModified:
      return QueueKind{3, "Message modified: "};
    case kEventMoved:
      return QueueKind{4, "Message moved: "};
    case kEventCopied:
      return QueueKind{0, "Message copied: "};
    default:
      return std::nullopt;
  }
}

bool IsQuietOnModify(std::string_view messageClass) noexcept {
  for (std::string_view quiet : {"IPM.Note", "IPM.MessageManager", "IPM.Post"})
    if (messageClass.find(quiet) != std::string_view::npos) return true;
  return false;
}

std::vector<QueueValue> MessageRecord(const std::string& base, std::uint32_t code,
                                      const EventStrings& ids) {
  std::vector<QueueValue> values;
  if (ids.message.empty()) return values;
  values.push_back({base + "\\Event", ids.message, true, code, {}});
  const std::pair<const char*, const std::string*> texts[] = {{"\\StoreId", &ids.store},
                                                              {"\\FolderId", &ids.parent},
                                                              {"\\OldEntryId", &ids.oldMessage},
                                                              {"\\OldFolderId", &ids.oldParent}};
  for (const auto& [key, text] : texts)
    if (!text->empty()) values.push_back({base + key, ids.message, false, 0, *text});
  return values;
}

std::vector<QueueValue> NewFolderRecord(const std::string& base, const std::string& store,
                                        const std::string& folder, const std::string& parent) {
  if (store.empty() || folder.empty() || parent.empty()) return {};
  return {{base + "\\NewFolder\\Store", folder, false, 0, store},
          {base + "\\NewFolder\\Parent", folder, false, 0, parent}};
}

std::uint32_t NextEventCount(std::optional<std::uint32_t> stored) noexcept {
  const auto count = static_cast<std::int32_t>(stored.value_or(0));
  if (count < 0 || count == std::numeric_limits<std::int32_t>::max()) return 0;
  return static_cast<std::uint32_t>(count + 1);
}

}  // namespace kelmsgs
