// Between MAPI's SPropValue, SRow and SRestriction and the stand-in's portable model,
// and deep copies of property arrays into MAPI memory (every part chained to one block
// with MAPIAllocateMore, so one MAPIFreeBuffer frees it all).
#pragma once

#include <mapix.h>

#include "core/PropData.h"
#include "core/Restriction.h"
#include "core/RowOrder.h"

namespace mapistandin {

Prop FromSPropValue(const SPropValue& v);
Row FromSPropArray(ULONG count, const SPropValue* values);

// Fills out with the value; every buffer is allocated with MAPIAllocateMore on base.
HRESULT ToSPropValue(const Prop& p, SPropValue& out, void* base);

// Deep copy of count values into one new MAPI block.
HRESULT CopyPropArray(ULONG count, const SPropValue* src, SPropValue** out);

// A row as an SPropValue array in a new MAPI block, one value per column: a column the
// row lacks becomes a PT_ERROR value with MAPI_E_NOT_FOUND. Without columns, every
// property of the row.
HRESULT RowToProps(const Row& row, const SPropTagArray* columns, ULONG* count, SPropValue** out);
// The same, chained to an existing MAPI block with MAPIAllocateMore.
HRESULT RowToPropsOn(const Row& row, const SPropTagArray* columns, void* base, ULONG* count,
                     SPropValue** out);

// A row set with the given rows, each row's values in a block of its own (FreeProws).
HRESULT MakeRowSet(const std::vector<const Row*>& rows, const SPropTagArray* columns,
                   SRowSet** out);

Restriction FromSRestriction(const SRestriction& r, int depth = 0);
std::vector<SortKey> FromSortOrderSet(const SSortOrderSet& s);

// A new tag array in MAPI memory.
HRESULT MakeTagArray(const std::vector<ULONG>& tags, SPropTagArray** out);

}  // namespace mapistandin
