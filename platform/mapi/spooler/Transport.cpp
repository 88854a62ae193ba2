#include "spooler/Transport.h"

#include <mapix.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "addrbook/Directory.h"
#include "core/MimeMessage.h"
#include "profile/ProfileModel.h"
#include "store/EntryId.h"
#include "store/PropObject.h"
#include "store/StoreEngine.h"
#include "store/StoreTags.h"

namespace mapistandin::spooler {

namespace {

std::string Text(const Row& row, ULONG tag8) {
  Prop out;
  for (const Prop& p : row) {
    if (IdOf(p.tag) == PROP_ID(tag8) && CoerceToTag(p, tag8, out)) return out.bytes;
  }
  return {};
}

std::int64_t Number(const Row& row, ULONG tag, std::int64_t fallback) {
  const Prop* p = FindProp(row, tag);
  return p ? p->integer : fallback;
}

std::uint64_t NowFileTime() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime;
}

std::string AnsiCharset() {
  const UINT cp = GetACP();
  if (cp == 932) return "shift_jis";
  if (cp == 65001) return "utf-8";
  return "windows-" + std::to_string(cp);
}

// The profile whose store provider keeps its store in this file.
std::string ProfileOf(const StoreEngine& engine) {
  for (const std::string& profile : profiles::List()) {
    for (const profiles::Section& s : profiles::StoreProviders(profile)) {
      const Prop* path = FindProp(s.props, PR_PST_PATH_A);
      if (path && _stricmp(path->bytes.c_str(), engine.path().c_str()) == 0) return profile;
    }
  }
  return {};
}

MimeMessage Compose(const MessageData& data, const addrbook::DirEntry& from,
                    const std::string& messageId) {
  MimeMessage m;
  m.from = {from.name, from.email};
  for (const Row& r : data.recipients) {
    const MimeAddress a{Text(r, PR_DISPLAY_NAME_A), Text(r, PR_EMAIL_ADDRESS_A)};
    // A recipient without an SMTP address cannot travel by this transport.
    if (a.email.empty()) continue;
    const std::int64_t type = Number(r, PR_RECIPIENT_TYPE, MAPI_TO);
    if (type == MAPI_TO) m.to.push_back(a);
    if (type == MAPI_CC) m.cc.push_back(a);
  }
  m.subject = Text(data.props, PR_SUBJECT_A);
  m.body = Text(data.props, PR_BODY_A);
  m.importance = static_cast<int>(Number(data.props, PR_IMPORTANCE, IMPORTANCE_NORMAL));
  m.charset = AnsiCharset();
  m.date = MimeDate(NowFileTime());
  m.messageId = messageId;
  for (const AttachData& a : data.attachments) {
    const Prop* bytes = FindProp(a.props, PR_ATTACH_DATA_BIN);
    if (!bytes) continue;
    std::string name = Text(a.props, PR_ATTACH_LONG_FILENAME_A);
    if (name.empty()) name = Text(a.props, PR_ATTACH_FILENAME_A);
    m.attachments.push_back({name, Text(a.props, PR_ATTACH_MIME_TAG_A), bytes->bytes});
  }
  return m;
}

// Writes the file whole under a temporary name, then gives it its name: a reader of the
// directory never sees half a message.
bool WriteMailFile(const std::string& dir, const std::string& name, const std::string& text) {
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string final = dir + "\\" + name + ".eml";
  const std::string partial = final + ".part";
  HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != text.size()) {
    DeleteFileA(partial.c_str());
    return false;
  }
  return MoveFileExA(partial.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool IsRecipient(const MessageData& data, const std::string& email) {
  for (const Row& r : data.recipients) {
    if (!email.empty() && _stricmp(Text(r, PR_EMAIL_ADDRESS_A).c_str(), email.c_str()) == 0)
      return true;
  }
  return false;
}

}  // namespace

void Transmit(const Submission& s) {
  StoreEngine& engine = *s.engine;
  // 1. The message as submitted, and where it is.
  MessageData data;
  std::uint64_t folder = 0;
  const bool there = engine.Read([&](const StoreImage& image) {
    auto it = image.messages.find(s.message);
    if (it == image.messages.end()) return false;
    data = it->second.data;
    folder = it->second.parent;
    return true;
  });
  if (!there) return;
  // 2. The profile's directory names the sender and the transport's directory; without a
  //    transport the message stays in the outbox, no longer submitted.
  const addrbook::Directory directory = addrbook::LoadDirectory(ProfileOf(engine));
  const addrbook::DirEntry from = directory.identity >= 0
                                      ? directory.entries[directory.identity]
                                      : addrbook::DirEntry{"", "postmaster@localhost"};
  static std::atomic<unsigned> serial{0};
  char messageId[96];
  std::snprintf(messageId, sizeof messageId, "%llx.%lx.%u@kelmsgs.standin",
                static_cast<unsigned long long>(NowFileTime()), GetCurrentProcessId(), ++serial);
  const std::int64_t flags = Number(data.props, PR_MESSAGE_FLAGS, 0);
  const bool sent =
      !directory.outgoing.empty() &&
      WriteMailFile(directory.outgoing, messageId, ComposeMime(Compose(data, from, messageId)));
  // 3. Sent: read, no longer unsent, stamped with the sender and the time; then filed in
  //    the sent-mail folder, deleted, or left where it is.
  StoreOp op;
  op.kind = StoreOpKind::PutMessage;
  op.id = s.message;
  op.parent = folder;
  op.message = data;
  Row& props = op.message.props;
  PutProp(props,
          MakeLong(PR_MESSAGE_FLAGS,
                   sent ? ((flags & ~std::int64_t{MSGFLAG_UNSENT | MSGFLAG_SUBMIT}) | MSGFLAG_READ)
                        : (flags & ~std::int64_t{MSGFLAG_SUBMIT})));
  if (sent) {
    const std::int64_t now = static_cast<std::int64_t>(NowFileTime());
    PutProp(props, MakeLong(PR_CLIENT_SUBMIT_TIME, now));
    PutProp(props, MakeLong(PR_MESSAGE_DELIVERY_TIME, now));
    PutProp(props, MakeString(PR_SENDER_NAME_A, from.name));
    PutProp(props, MakeString(PR_SENDER_EMAIL_ADDRESS_A, from.email));
    PutProp(props, MakeString(PR_SENDER_ADDRTYPE_A, "SMTP"));
    const Prop* sentMail = FindProp(props, PR_SENTMAIL_ENTRYID);
    const auto target =
        sentMail ? ParseEntryId(sentMail->bytes.data(), sentMail->bytes.size()) : std::nullopt;
    if (Number(props, PR_DELETE_AFTER_SUBMIT, 0)) {
      op = {};
      op.kind = StoreOpKind::Delete;
      op.id = s.message;
    } else if (target && target->kind == EntryKind::Folder &&
               target->storeUid == engine.storeUid() && engine.Read([&](const StoreImage& image) {
                 return image.folders.count(target->object) > 0;
               })) {
      op.parent = target->object;
    }
  }
  if (FAILED(engine.Commit({op})) || !sent) return;
  // 4. The owner among the recipients: the mail arrives in the owner's inbox too.
  if (directory.identity < 0 || !IsRecipient(data, from.email)) return;
  StoreOp arrival;
  arrival.kind = StoreOpKind::PutMessage;
  arrival.parent = engine.InfoId(kInfoInbox);
  arrival.message = data;
  Row& in = arrival.message.props;
  DropProp(in, PROP_ID(PR_SENTMAIL_ENTRYID));
  DropProp(in, PROP_ID(PR_DELETE_AFTER_SUBMIT));
  PutProp(in, MakeLong(PR_MESSAGE_FLAGS, 0));
  PutProp(in, MakeLong(PR_MESSAGE_DELIVERY_TIME, static_cast<std::int64_t>(NowFileTime())));
  PutProp(in, MakeString(PR_SENDER_NAME_A, from.name));
  PutProp(in, MakeString(PR_SENDER_EMAIL_ADDRESS_A, from.email));
  if (!arrival.parent || FAILED(engine.NewId(arrival.id))) return;
  CommitHints hints;
  hints.delivered = true;
  engine.Commit({arrival}, hints);
}

}  // namespace mapistandin::spooler
