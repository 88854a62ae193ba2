#include "StoreImage.h"

#include <algorithm>
#include <set>

namespace mapistandin {

void StoreImage::Unlink(std::vector<std::uint64_t>& list, std::uint64_t id) {
  list.erase(std::remove(list.begin(), list.end(), id), list.end());
}

bool IsUnread(const MessageData& data) {
  constexpr std::uint16_t kMessageFlagsId = 0x0E07;
  constexpr std::int64_t kReadFlag = 0x1;
  const Prop* flags = FindPropById(data.props, kMessageFlagsId);
  return !flags || !(flags->integer & kReadFlag);
}

void StoreImage::DeleteFolder(std::uint64_t id) {
  auto it = folders.find(id);
  if (it == folders.end()) return;
  for (std::uint64_t m : it->second.messages) messages.erase(m);
  const std::vector<std::uint64_t> children = it->second.children;
  for (std::uint64_t c : children) DeleteFolder(c);
  folders.erase(id);
}

StoreOp NamedPropOp(const NamedKey& key, std::uint16_t propId) {
  StoreOp op;
  op.kind = StoreOpKind::NamedProp;
  op.guid = key.guid;
  op.nameKind = key.nameKind;
  op.lid = key.lid;
  op.name = key.name;
  op.propId = propId;
  return op;
}

void StoreImage::Apply(const std::vector<StoreOp>& ops) {
  for (const StoreOp& op : ops) Apply(op);
}

void StoreImage::Apply(const StoreOp& op) {
  switch (op.kind) {
    case StoreOpKind::PutFolder: {
      if (op.id == 0 || op.id == op.parent) return;
      auto [it, fresh] = folders.try_emplace(op.id);
      FolderNode& node = it->second;
      if (!fresh && node.parent != op.parent) {
        if (auto p = folders.find(node.parent); p != folders.end())
          Unlink(p->second.children, op.id);
      }
      if (fresh || node.parent != op.parent) {
        if (auto p = folders.find(op.parent); p != folders.end())
          p->second.children.push_back(op.id);
      }
      node.parent = op.parent;
      node.props = op.props;
      nextId = std::max(nextId, op.id + 1);
      break;
    }
    case StoreOpKind::PutMessage: {
      auto parent = folders.find(op.parent);
      if (parent == folders.end() || folders.count(op.id)) return;
      auto [it, fresh] = messages.try_emplace(op.id);
      if (!fresh) {
        if (auto old = folders.find(it->second.parent); old != folders.end()) {
          old->second.unread -= IsUnread(it->second.data);
          if (it->second.parent != op.parent) Unlink(old->second.messages, op.id);
        }
      }
      if (fresh || it->second.parent != op.parent) parent->second.messages.push_back(op.id);
      it->second.parent = op.parent;
      it->second.data = op.message;
      parent->second.unread += IsUnread(it->second.data);
      nextId = std::max(nextId, op.id + 1);
      break;
    }
    case StoreOpKind::Delete: {
      if (auto m = messages.find(op.id); m != messages.end()) {
        if (auto p = folders.find(m->second.parent); p != folders.end()) {
          p->second.unread -= IsUnread(m->second.data);
          Unlink(p->second.messages, op.id);
        }
        messages.erase(m);
      } else if (auto f = folders.find(op.id); f != folders.end()) {
        if (auto p = folders.find(f->second.parent); p != folders.end())
          Unlink(p->second.children, op.id);
        DeleteFolder(op.id);
      }
      break;
    }
    case StoreOpKind::NamedProp: {
      NamedKey key{op.guid, op.nameKind, op.nameKind == 0 ? op.lid : 0,
                   op.nameKind == 0 ? std::string() : op.name};
      if (op.propId < 0x8000 || namedById.count(op.propId) || named.count(key)) return;
      named[key] = op.propId;
      namedById[op.propId] = key;
      break;
    }
    case StoreOpKind::StoreInfo:
      info = op.props;
      break;
    case StoreOpKind::NextId:
      nextId = std::max(nextId, op.id);
      break;
  }
}

std::vector<StoreOp> StoreImage::Snapshot() const {
  std::vector<StoreOp> ops;
  StoreOp infoOp;
  infoOp.kind = StoreOpKind::StoreInfo;
  infoOp.props = info;
  ops.push_back(std::move(infoOp));
  StoreOp next;
  next.kind = StoreOpKind::NextId;
  next.id = nextId;
  ops.push_back(next);
  for (const auto& [key, id] : named) ops.push_back(NamedPropOp(key, id));
  // Parents before children: walk from the roots (folders whose parent is unknown).
  // A damaged file can leave folders whose parents form a cycle; they are not reached
  // from a root but are kept all the same, after the others. Each folder comes once.
  std::vector<std::uint64_t> order;
  std::set<std::uint64_t> visited;
  const auto visit = [&](std::uint64_t id) {
    if (folders.count(id) && visited.insert(id).second) order.push_back(id);
  };
  for (const auto& [id, node] : folders) {
    if (!folders.count(node.parent)) visit(id);
  }
  std::size_t walked = 0;
  for (;;) {
    for (; walked < order.size(); ++walked)
      for (std::uint64_t child : folders.at(order[walked]).children) visit(child);
    const auto rest = std::find_if(folders.begin(), folders.end(),
                                   [&](const auto& entry) { return !visited.count(entry.first); });
    if (rest == folders.end()) break;
    visit(rest->first);
  }
  for (std::uint64_t id : order) {
    const FolderNode& node = folders.at(id);
    StoreOp op;
    op.kind = StoreOpKind::PutFolder;
    op.id = id;
    op.parent = node.parent;
    op.props = node.props;
    ops.push_back(std::move(op));
    for (std::uint64_t m : node.messages) {
      StoreOp mop;
      mop.kind = StoreOpKind::PutMessage;
      mop.id = m;
      mop.parent = id;
      mop.message = messages.at(m).data;
      ops.push_back(std::move(mop));
    }
  }
  return ops;
}

}  // namespace mapistandin
