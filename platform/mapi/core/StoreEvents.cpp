#include "StoreEvents.h"

namespace mapistandin {

namespace {

constexpr std::uint32_t kPropMessageClass = 0x001A001E;  // the message class, 8-bit string
constexpr std::uint32_t kPropMessageFlags = 0x0E070003;

StoreEvent FolderEvent(const StoreImage& before, const StoreOp& op) {
  StoreEvent e;
  e.isFolder = true;
  e.id = op.id;
  e.parent = op.parent;
  auto it = before.folders.find(op.id);
  if (it == before.folders.end()) {
    e.kind = StoreEventKind::Created;
  } else if (it->second.parent != op.parent) {
    e.kind = StoreEventKind::Moved;
    e.oldId = op.id;
    e.oldParent = it->second.parent;
  } else {
    e.kind = StoreEventKind::Modified;
  }
  return e;
}

void MessageEvents(const StoreImage& before, const StoreOp& op, const CommitHints& hints,
                   std::vector<StoreEvent>& out) {
  StoreEvent e;
  e.id = op.id;
  e.parent = op.parent;
  auto it = before.messages.find(op.id);
  if (it != before.messages.end()) {
    if (it->second.parent != op.parent) {
      e.kind = StoreEventKind::Moved;
      e.oldId = op.id;
      e.oldParent = it->second.parent;
    } else {
      e.kind = StoreEventKind::Modified;
    }
    out.push_back(e);
    return;
  }
  if (auto c = hints.copiedFrom.find(op.id); c != hints.copiedFrom.end()) {
    e.kind = StoreEventKind::Copied;
    e.oldId = c->second;
    auto src = before.messages.find(c->second);
    e.oldParent = src != before.messages.end() ? src->second.parent : 0;
    out.push_back(e);
    return;
  }
  e.kind = StoreEventKind::Created;
  out.push_back(e);
  if (!hints.delivered) return;
  StoreEvent mail = e;
  mail.kind = StoreEventKind::NewMail;
  if (const Prop* p = FindProp(op.message.props, kPropMessageClass)) mail.messageClass = p->bytes;
  if (const Prop* p = FindProp(op.message.props, kPropMessageFlags)) {
    mail.messageFlags = static_cast<std::uint32_t>(p->integer);
  }
  out.push_back(mail);
}

}  // namespace

std::vector<StoreEvent> DescribeCommit(const StoreImage& before, const std::vector<StoreOp>& ops,
                                       const CommitHints& hints) {
  std::vector<StoreEvent> out;
  for (const StoreOp& op : ops) {
    switch (op.kind) {
      case StoreOpKind::PutFolder:
        out.push_back(FolderEvent(before, op));
        break;
      case StoreOpKind::PutMessage:
        MessageEvents(before, op, hints, out);
        break;
      case StoreOpKind::Delete: {
        StoreEvent e;
        e.kind = StoreEventKind::Deleted;
        e.id = op.id;
        if (auto f = before.folders.find(op.id); f != before.folders.end()) {
          e.isFolder = true;
          e.parent = f->second.parent;
        } else if (auto m = before.messages.find(op.id); m != before.messages.end()) {
          e.parent = m->second.parent;
        } else {
          break;  // nothing was there
        }
        out.push_back(e);
        break;
      }
      default:
        break;
    }
  }
  return out;
}

bool TouchesContents(const StoreEvent& e, std::uint64_t folder) {
  if (e.isFolder || e.kind == StoreEventKind::Extended || e.kind == StoreEventKind::NewMail) {
    return false;
  }
  return e.parent == folder || (e.kind == StoreEventKind::Moved && e.oldParent == folder);
}

bool TouchesHierarchy(const StoreEvent& e) {
  // Folder rows carry content counts and the names of subfolders, so any change of
  // objects may change a row of some hierarchy table; the table's diff finds which.
  return e.kind != StoreEventKind::Extended && e.kind != StoreEventKind::NewMail;
}

}  // namespace mapistandin
