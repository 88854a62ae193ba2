// The message-file reader sees whatever a file holds: it must refuse or read any tree of
// streams and storages without reading out of bounds, and what it reads must write and
// read back to the same file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "msgfile/MsgFile.h"

using namespace mapistandin;

namespace {

// The input as a tree: records of kind (0 stream, 1 storage start, 2 storage end), a
// name byte choosing one of the format's names, and for a stream its length-prefixed bytes.
const char* const kNames[] = {kPropertiesStream,
                              kNameIdStorage,
                              kEmbeddedStorage,
                              "__recip_version1.0_#00000000",
                              "__recip_version1.0_#00000001",
                              "__attach_version1.0_#00000000",
                              "__attach_version1.0_#00000001",
                              "__substg1.0_00020102",
                              "__substg1.0_00030102",
                              "__substg1.0_00040102",
                              "__substg1.0_0037001E",
                              "__substg1.0_0037001F",
                              "__substg1.0_37010102",
                              "__substg1.0_000C101E",
                              "__substg1.0_000C101E-00000000",
                              "__substg1.0_000E1102",
                              "__substg1.0_000E1102-00000000",
                              "__substg1.0_000B1003"};

void Build(ByteReader& r, StorageTree& node, int depth) {
  std::uint8_t kind = 0, name = 0;
  while (r.U8(kind) && r.U8(name)) {
    const std::string key = kNames[name % (sizeof kNames / sizeof *kNames)];
    if (kind % 3 == 0) {
      std::string bytes;
      if (!r.Bytes(bytes)) return;
      node.streams[key] = bytes;
    } else if (kind % 3 == 1 && depth < 8) {
      Build(r, node.storages[key], depth + 1);
    } else {
      return;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteReader r(std::string_view(reinterpret_cast<const char*>(data), size));
  StorageTree tree;
  Build(r, tree, 0);
  MessageData message;
  NameMap names;
  if (!ReadMsgFile(tree, message, names)) return 0;
  const StorageTree written = WriteMsgFile(message, names);
  MessageData again;
  NameMap againNames;
  if (!ReadMsgFile(written, again, againNames)) __builtin_trap();
  if (!(WriteMsgFile(again, againNames) == written)) __builtin_trap();
  return 0;
}
