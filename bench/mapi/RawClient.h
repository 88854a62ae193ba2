// The baselines of the enumeration figures: what a C++ client does with raw MAPI through
// the same stand-in (tables read with QueryRows, messages opened with OpenEntry).
#pragma once

#include <windows.h>
#include <mapix.h>

#include <cstddef>

#include "foundation/MapiOwned.h"

namespace rawclient {

// Every row of the folder's contents table with the given columns (setup, not timed).
HRESULT AllRows(IMAPIFolder* folder, const SPropTagArray* columns, kelmsgs::RowSet& rows);

// Opens the folder with that identifier below parent and reads its contents table's subject
// column with QueryRows in batches; `rows` and `chars` count what was read.
HRESULT ReadSubjects(IMAPIContainer* parent, const SBinary& folderId, std::size_t& rows,
                     std::size_t& chars);

// Like ReadSubjects, but reads what a folder snapshot holds: the identifier, attachment
// flag, subject and two times of every message, sorted by submit time.
HRESULT ReadSnapshotColumns(IMAPIContainer* parent, const SBinary& folderId, std::size_t& rows,
                            std::size_t& chars);

// Opens `count` messages whose identifiers are the first column of `ids`, every `step`th
// row from the first, and reads each one's subject with GetProps; `chars` counts what was
// read.
HRESULT OpenAndReadSubjects(IMAPIFolder* folder, const SRowSet* ids, ULONG count, ULONG step,
                            std::size_t& chars);

// The rows a folder snapshot holds, as ReadSnapshotColumns reads them (setup, not timed).
HRESULT SnapshotRows(IMAPIFolder* folder, kelmsgs::RowSet& rows);

// Opens every folder below `folder`, depth first, through the hierarchy tables' entry
// identifiers; `visited` counts the folders opened.
HRESULT WalkHierarchy(IMAPIContainer* folder, long& visited);

}  // namespace rawclient
