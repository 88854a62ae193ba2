// The memory figure of a folder snapshot: what the process's heaps grow by while a folder
// object holds its snapshot, against the bytes of the row data the snapshot holds.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <cstddef>
#include <optional>

namespace bench {

// Bytes in use in every heap of the process: the sum of the sizes of the busy blocks
// (what callers asked for, without the heaps' own headers); nothing when a heap could not
// be walked whole.
std::optional<std::size_t> HeapBytesInUse();

// The process's private bytes (committed memory no other process shares).
std::size_t PrivateBytes();

// The bytes of the row data of rows: for each value, a binary's size, a string's length
// with its terminator, a fixed-size type's size; error values hold no data.
std::size_t RowDataBytes(const SRowSet* rows);

}  // namespace bench
