// What the session makes of a message event: the typed event that Notify raises, the
// queue code and trace text of a recorded event, and the registry values a record writes,
// in the order a consumer of the queue relies on. Portable: no Windows header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmsgs {

// Event types of the messaging subsystem's notifications, as MessageNotification gets them.
enum MessageEventType : unsigned long {
  kEventNewMail = 2,
  kEventCreated = 4,
  kEventDeleted = 8,
  kEventModified = 16,
  kEventMoved = 32,
  kEventCopied = 64,
};

// Object types of the notified objects.
enum NotifiedObjectType : unsigned long {
  kObjectStore = 1,
  kObjectFolder = 3,
  kObjectMessage = 5,
  kObjectSession = 11,
};

// DISPIDs of the session's outgoing interface.
enum SessionEventId : long {
  kEventIdMessageCreated = 1,
  kEventIdMessageModified = 2,
  kEventIdMessageDeleted = 3,
  kEventIdMessageMoved = 4,
  kEventIdMessageCopied = 5,
  kEventIdNewMail = 6,
  kEventIdMessageEvent = 8,
  kEventIdFolderInfo = 9,
  kEventIdEndFolderInfo = 10,
};

// The event Notify raises for an event type, and the line it traces.
struct TypedEvent {
  long dispid;
  const char* trace;
};
// Nothing for deletions (raised through MessageDeleted) and unknown types.
std::optional<TypedEvent> TypedEventOf(long eventType) noexcept;

// How a recorded event appears in the queue: its "\Event" code and its trace prefix.
struct QueueKind {
  std::uint32_t code;
  const char* tracePrefix;
};
std::optional<QueueKind> QueueKindOf(unsigned long eventType) noexcept;

// A folder creation is recorded apart from message events.
constexpr bool IsCreatedFolder(unsigned long eventType, unsigned long objectType) noexcept {
  return eventType == kEventCreated && objectType == kObjectFolder;
}

// Message classes whose modifications are not reported (mail, posts, manager messages).
bool IsQuietOnModify(std::string_view messageClass) noexcept;

// One value of the queue, below HKEY_CURRENT_USER.
struct QueueValue {
  std::string key;
  std::string name;
  bool isNumber = false;
  std::uint32_t number = 0;
  std::string text;
};

// The identifier strings of one message event.
struct EventStrings {
  std::string store, message, parent, oldMessage, oldParent;
};

// The values of a message event's record under the queue base, in writing order: the
// code, then store, folder, former identifier and former folder where known. Nothing when
// the message is unknown.
std::vector<QueueValue> MessageRecord(const std::string& base, std::uint32_t code,
                                      const EventStrings& ids);

// The two values of a created folder; nothing unless all three strings are known.
std::vector<QueueValue> NewFolderRecord(const std::string& base, const std::string& store,
                                        const std::string& folder, const std::string& parent);

// The queue's event counter after one more record; a count that turns negative restarts
// at 0.
std::uint32_t NextEventCount(std::optional<std::uint32_t> stored) noexcept;

}  // namespace kelmsgs
