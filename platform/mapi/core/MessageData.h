// The content of a message as the store keeps it: properties, recipient rows and
// attachments, an attachment possibly holding an embedded message. Opened messages work
// on a copy and hand it back on SaveChanges, which gives MAPI's transacted behaviour.
#pragma once

#include <cstdint>
#include <vector>

#include "ByteCodec.h"
#include "PropData.h"

namespace mapistandin {

struct MessageData;

struct AttachData {
  std::uint32_t num = 0;
  Row props;
  std::vector<MessageData> embedded;  // zero or one
};

struct MessageData {
  Row props;
  std::vector<Row> recipients;  // each carries its PR_ROWID
  std::vector<AttachData> attachments;
  std::uint32_t nextAttachNum = 0;
  std::uint32_t nextRowId = 0;
};

// Replaces or adds a property with the same tag identifier (any type).
void PutProp(Row& row, Prop p);
// Removes the property with the identifier; true when one was there.
bool DropProp(Row& row, std::uint16_t id);
// The property with the identifier, whatever its type.
const Prop* FindPropById(const Row& row, std::uint16_t id);

void EncodeProps(ByteWriter& w, const Row& row);
bool DecodeProps(ByteReader& r, Row& row);
void EncodeMessage(ByteWriter& w, const MessageData& m);
bool DecodeMessage(ByteReader& r, MessageData& m, int depth = 0);

// The bytes a message takes, the base of its PR_MESSAGE_SIZE.
std::uint64_t MessageBytes(const MessageData& m);

}  // namespace mapistandin
