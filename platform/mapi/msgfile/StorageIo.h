// Copies between a structured storage (IStorage) and the portable storage tree.
#pragma once

#include <objbase.h>

#include "msgfile/StorageTree.h"

namespace mapistandin {

// Reads every stream and substorage of the storage.
HRESULT ReadTree(IStorage* storage, StorageTree& tree);
// Replaces the storage's content with the tree; substorages are committed, the storage
// itself is left to the caller.
HRESULT WriteTree(IStorage* storage, const StorageTree& tree);

}  // namespace mapistandin
