#include "store/ObjectProps.h"

#include <mapidefs.h>
#include <mapitags.h>

#include "store/EntryId.h"
#include "store/StoreEngine.h"
#include "store/StoreTags.h"

namespace mapistandin {

namespace {

std::string Id(const StoreIdentity& who, EntryKind kind, std::uint64_t object) {
  EntryRef ref;
  ref.longFlavour = who.longFlavour;
  ref.kind = kind;
  ref.storeUid = who.uid;
  ref.object = object;
  return MakeEntryId(ref);
}

std::string Le64(std::uint64_t v) {
  return std::string(reinterpret_cast<const char*>(&v), 8);
}

}  // namespace

std::string StoreIdentity::StoreId() const {
  return Id(*this, EntryKind::Store, 0);
}
std::string StoreIdentity::FolderId(std::uint64_t id) const {
  return Id(*this, EntryKind::Folder, id);
}
std::string StoreIdentity::MessageId(std::uint64_t id) const {
  return Id(*this, EntryKind::Message, id);
}

StoreIdentity StoreIdentity::Of(StoreEngine& engine) {
  return {engine.storeUid(), engine.longFlavour()};
}

Row MessageProps(const StoreIdentity& who, std::uint64_t id, std::uint64_t folder,
                 const MessageData& data, bool writable) {
  Row row = data.props;
  if (id) {
    PutProp(row, MakeBinary(PR_ENTRYID, who.MessageId(id)));
    PutProp(row, MakeBinary(PR_RECORD_KEY, who.uid + Le64(id)));
    PutProp(row, MakeBinary(PR_PARENT_ENTRYID, who.FolderId(folder)));
    PutProp(row, MakeBinary(PR_STORE_ENTRYID, who.StoreId()));
    PutProp(row, MakeBinary(PR_STORE_RECORD_KEY, who.uid));
  }
  const bool hasAttach = !data.attachments.empty();
  const Prop* flags = FindPropById(row, PROP_ID(PR_MESSAGE_FLAGS));
  std::int64_t f = flags && TypeOf(flags->tag) == PT_LONG ? flags->integer : 0;
  f = hasAttach ? (f | MSGFLAG_HASATTACH) : (f & ~std::int64_t{MSGFLAG_HASATTACH});
  PutProp(row, MakeLong(PR_MESSAGE_FLAGS, f));
  PutProp(row, MakeLong(PR_HASATTACH, hasAttach));
  PutProp(row, MakeLong(PR_MESSAGE_SIZE, static_cast<std::int64_t>(MessageBytes(data))));
  PutProp(row, MakeLong(PR_OBJECT_TYPE, MAPI_MESSAGE));
  PutProp(row, MakeLong(PR_ACCESS, MAPI_ACCESS_READ | MAPI_ACCESS_MODIFY | MAPI_ACCESS_DELETE));
  PutProp(row, MakeLong(PR_ACCESS_LEVEL, writable ? MAPI_MODIFY : 0));
  return row;
}

Row MessageTableRow(const StoreIdentity& who, std::uint64_t id, std::uint64_t folder,
                    const MessageData& data) {
  Row full = MessageProps(who, id, folder, data, false);
  Row row;
  row.reserve(full.size() + 1);
  for (Prop& p : full) {
    const ULONG pid = PROP_ID(p.tag);
    if (pid == PROP_ID(PR_BODY) || pid == PROP_ID(PR_RTF_COMPRESSED) || pid == PROP_ID(PR_HTML))
      continue;
    const ULONG type = PROP_TYPE(p.tag);
    if (type == PT_BINARY && p.bytes.size() > 510) continue;
    if ((type == PT_STRING8) && p.bytes.size() > 255) p.bytes.resize(255);
    if ((type == PT_UNICODE) && p.bytes.size() > 510) p.bytes.resize(510);
    row.push_back(std::move(p));
  }
  row.push_back(MakeBinary(PR_INSTANCE_KEY, Le64(id)));
  return row;
}

Row FolderProps(const StoreIdentity& who, const StoreImage& image, std::uint64_t id,
                bool writable) {
  const FolderNode& node = image.folders.at(id);
  Row row = node.props;
  const std::uint64_t root = static_cast<std::uint64_t>(
      FindProp(image.info, kInfoRoot) ? FindProp(image.info, kInfoRoot)->integer : 0);
  PutProp(row, MakeBinary(PR_ENTRYID, who.FolderId(id)));
  PutProp(row, MakeBinary(PR_RECORD_KEY, who.uid + Le64(id)));
  PutProp(row, MakeBinary(PR_PARENT_ENTRYID, who.FolderId(id == root ? id : node.parent)));
  PutProp(row, MakeBinary(PR_STORE_ENTRYID, who.StoreId()));
  PutProp(row, MakeBinary(PR_STORE_RECORD_KEY, who.uid));
  PutProp(row, MakeLong(PR_OBJECT_TYPE, MAPI_FOLDER));
  PutProp(row, MakeLong(PR_FOLDER_TYPE, id == root ? FOLDER_ROOT : FOLDER_GENERIC));
  PutProp(row, MakeLong(PR_CONTENT_COUNT, static_cast<std::int64_t>(node.messages.size())));
  PutProp(row, MakeLong(PR_CONTENT_UNREAD, node.unread));
  PutProp(row, MakeLong(PR_SUBFOLDERS, !node.children.empty()));
  PutProp(row, MakeLong(PR_ACCESS, MAPI_ACCESS_READ | MAPI_ACCESS_MODIFY | MAPI_ACCESS_DELETE |
                                       MAPI_ACCESS_CREATE_HIERARCHY | MAPI_ACCESS_CREATE_CONTENTS));
  PutProp(row, MakeLong(PR_ACCESS_LEVEL, writable ? MAPI_MODIFY : 0));
  if (!FindPropById(row, PROP_ID(PR_DISPLAY_NAME))) PutProp(row, MakeString(PR_DISPLAY_NAME_A, ""));
  const Prop* inbox = FindProp(image.info, kInfoInbox);
  if (id == root || (inbox && static_cast<std::uint64_t>(inbox->integer) == id)) {
    const struct {
      ULONG info, tag;
    } standard[] = {
        {kInfoCalendar, PR_IPM_APPOINTMENT_ENTRYID}, {kInfoContacts, PR_IPM_CONTACT_ENTRYID},
        {kInfoJournal, PR_IPM_JOURNAL_ENTRYID},      {kInfoNotes, PR_IPM_NOTE_ENTRYID},
        {kInfoTasks, PR_IPM_TASK_ENTRYID},           {kInfoDrafts, PR_IPM_DRAFTS_ENTRYID}};
    for (const auto& s : standard) {
      const Prop* p = FindProp(image.info, s.info);
      if (p && image.folders.count(static_cast<std::uint64_t>(p->integer))) {
        PutProp(row, MakeBinary(s.tag, who.FolderId(static_cast<std::uint64_t>(p->integer))));
      }
    }
  }
  return row;
}

std::int64_t AttachSize(const AttachData& data) {
  std::int64_t size = 0;
  for (const Prop& p : data.props) size += static_cast<std::int64_t>(p.bytes.size()) + 8;
  for (const MessageData& m : data.embedded) size += static_cast<std::int64_t>(MessageBytes(m));
  return size;
}

Row AttachProps(std::uint64_t messageId, const AttachData& data, bool forTable) {
  Row row;
  for (const Prop& p : data.props) {
    if (forTable && PROP_TYPE(p.tag) == PT_BINARY && p.bytes.size() > 510) continue;
    row.push_back(p);
  }
  std::string key = Le64(messageId) + std::string(reinterpret_cast<const char*>(&data.num), 4);
  PutProp(row, MakeLong(PR_ATTACH_NUM, data.num));
  PutProp(row, MakeBinary(PR_RECORD_KEY, key));
  PutProp(row, MakeLong(PR_OBJECT_TYPE, MAPI_ATTACH));
  PutProp(row, MakeLong(PR_ATTACH_SIZE, AttachSize(data)));
  if (!FindPropById(row, PROP_ID(PR_ATTACH_METHOD)))
    PutProp(row, MakeLong(PR_ATTACH_METHOD, NO_ATTACHMENT));
  if (!FindPropById(row, PROP_ID(PR_RENDERING_POSITION)))
    PutProp(row, MakeLong(PR_RENDERING_POSITION, -1));
  if (forTable) row.push_back(MakeBinary(PR_INSTANCE_KEY, key));
  return row;
}

}  // namespace mapistandin
