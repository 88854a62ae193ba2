#include "StoreRecord.h"

namespace mapistandin {

std::string EncodeTransaction(const std::vector<StoreOp>& ops) {
  ByteWriter w;
  w.U32(static_cast<std::uint32_t>(ops.size()));
  for (const StoreOp& op : ops) {
    w.U8(static_cast<std::uint8_t>(op.kind));
    switch (op.kind) {
      case StoreOpKind::PutFolder:
        w.U64(op.id);
        w.U64(op.parent);
        EncodeProps(w, op.props);
        break;
      case StoreOpKind::PutMessage:
        w.U64(op.id);
        w.U64(op.parent);
        EncodeMessage(w, op.message);
        break;
      case StoreOpKind::Delete:
      case StoreOpKind::NextId:
        w.U64(op.id);
        break;
      case StoreOpKind::NamedProp:
        w.Bytes(op.guid);
        w.U32(op.nameKind);
        w.U32(op.lid);
        w.Bytes(op.name);
        w.U16(op.propId);
        break;
      case StoreOpKind::StoreInfo:
        EncodeProps(w, op.props);
        break;
    }
  }
  return std::move(w.str());
}

bool DecodeTransaction(std::string_view payload, std::vector<StoreOp>& ops) {
  ByteReader r(payload);
  std::uint32_t count = 0;
  if (!r.U32(count) || count > r.remaining()) return false;
  ops.clear();
  ops.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    StoreOp op;
    std::uint8_t kind = 0;
    if (!r.U8(kind)) return false;
    op.kind = static_cast<StoreOpKind>(kind);
    bool ok = false;
    switch (op.kind) {
      case StoreOpKind::PutFolder:
        ok = r.U64(op.id) && r.U64(op.parent) && DecodeProps(r, op.props);
        break;
      case StoreOpKind::PutMessage:
        ok = r.U64(op.id) && r.U64(op.parent) && DecodeMessage(r, op.message);
        break;
      case StoreOpKind::Delete:
      case StoreOpKind::NextId:
        ok = r.U64(op.id);
        break;
      case StoreOpKind::NamedProp:
        ok = r.Bytes(op.guid) && op.guid.size() == 16 && r.U32(op.nameKind) && r.U32(op.lid) &&
             r.Bytes(op.name) && r.U16(op.propId);
        break;
      case StoreOpKind::StoreInfo:
        ok = DecodeProps(r, op.props);
        break;
    }
    if (!ok) return false;
    ops.push_back(std::move(op));
  }
  return r.atEnd();
}

}  // namespace mapistandin
