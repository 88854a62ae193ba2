// The transactions of the store file. One record holds one transaction: every change of
// one commit (a saved message, a created folder, a move of many messages) is applied on
// load together or not at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MessageData.h"

namespace mapistandin {

enum class StoreOpKind : std::uint8_t {
  PutFolder = 1,   // id, parent, props (the folder's own properties)
  PutMessage = 2,  // id, parent, message
  Delete = 3,      // id (a folder or a message)
  NamedProp = 4,   // guid, kind, lid or name, propId
  StoreInfo = 5,   // props of the store itself
  NextId = 6,      // id: the next object number to hand out
};

struct StoreOp {
  StoreOpKind kind = StoreOpKind::Delete;
  std::uint64_t id = 0;
  std::uint64_t parent = 0;
  Row props;
  MessageData message;
  std::string guid;            // 16 bytes
  std::uint32_t nameKind = 0;  // 0 = number (lid), 1 = string (name)
  std::uint32_t lid = 0;
  std::string name;
  std::uint16_t propId = 0;
};

std::string EncodeTransaction(const std::vector<StoreOp>& ops);
bool DecodeTransaction(std::string_view payload, std::vector<StoreOp>& ops);

}  // namespace mapistandin
