// A read-only reader of compound files (structured storage: ".msg", old Office files)
// held in memory: the header, the sector allocation table and its extension, the mini
// stream, and the directory as a tree of storages and streams. Nothing the file declares
// is trusted: sector chains are bounded by the table, cycles in the directory are cut,
// and the streams read together never exceed the file's own size.
#pragma once

#include <optional>
#include <string_view>

#include "msgfile/StorageTree.h"

namespace docfilter {

class CompoundFile {
 public:
  // Whether the data starts with the compound-file signature.
  static bool LooksLikeCompoundFile(std::string_view data);
  // The storage tree below the root; nullopt when the header or the directory cannot be
  // read. A stream whose chain ends early keeps the bytes that were there.
  static std::optional<mapistandin::StorageTree> Read(std::string_view data);
};

}  // namespace docfilter
