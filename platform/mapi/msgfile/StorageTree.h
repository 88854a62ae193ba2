// A compound file as a tree: named streams and named substorages. The message-file
// format is written to and read from this tree, so that it needs no Windows headers; the
// DLL copies the tree to and from a real IStorage.
#pragma once

#include <map>
#include <string>

namespace mapistandin {

struct StorageTree {
  std::map<std::string, std::string> streams;   // name (ASCII) -> bytes
  std::map<std::string, StorageTree> storages;  // name (ASCII) -> substorage
  bool operator==(const StorageTree&) const = default;
};

}  // namespace mapistandin
