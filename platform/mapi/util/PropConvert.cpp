#include "PropConvert.h"

#include <mapiutil.h>

#include <cstring>
#include <string_view>
#include <string>

#include "util/Owners.h"

namespace mapistandin {

namespace {

template <class T>
std::string RawOf(const T& v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof(T));
}

template <class T>
T ValueOf(const std::string& s) {
  T v{};
  std::memcpy(&v, s.data(), std::min(sizeof(T), s.size()));
  return v;
}

template <class T>
void MultiFrom(std::vector<std::string>& out, ULONG n, const T* values) {
  for (ULONG i = 0; i < n && values; ++i) out.push_back(RawOf(values[i]));
}

HRESULT More(void* base, std::size_t size, void** out) {
  return MAPIAllocateMore(static_cast<ULONG>(size), base, out);
}

HRESULT CopyBytes(const std::string& s, void* base, std::size_t extra, void** out) {
  HRESULT hr = More(base, s.size() + extra + (s.empty() && !extra ? 1 : 0), out);
  if (FAILED(hr)) return hr;
  std::memcpy(*out, s.data(), s.size());
  std::memset(static_cast<char*>(*out) + s.size(), 0, extra);
  return S_OK;
}

template <class T>
HRESULT MultiTo(const std::vector<std::string>& in, void* base, ULONG& count, T*& values) {
  count = static_cast<ULONG>(in.size());
  void* p = nullptr;
  HRESULT hr = More(base, sizeof(T) * (in.size() ? in.size() : 1), &p);
  if (FAILED(hr)) return hr;
  values = static_cast<T*>(p);
  for (std::size_t i = 0; i < in.size(); ++i) values[i] = ValueOf<T>(in[i]);
  return S_OK;
}

}  // namespace

Prop FromSPropValue(const SPropValue& v) {
  Prop p;
  p.tag = v.ulPropTag;
  switch (PROP_TYPE(v.ulPropTag)) {
    case PT_I2:
      p.integer = v.Value.i;
      break;
    case PT_LONG:
      p.integer = v.Value.l;
      break;
    case PT_R4:
      p.real = v.Value.flt;
      break;
    case PT_DOUBLE:
      p.real = v.Value.dbl;
      break;
    case PT_APPTIME:
      p.real = v.Value.at;
      break;
    case PT_CURRENCY:
      p.integer = v.Value.cur.int64;
      break;
    case PT_ERROR:
      p.integer = v.Value.err;
      break;
    case PT_BOOLEAN:
      p.integer = v.Value.b ? 1 : 0;
      break;
    case PT_I8:
      p.integer = v.Value.li.QuadPart;
      break;
    case PT_SYSTIME:
      p.integer = static_cast<std::int64_t>(std::uint64_t{v.Value.ft.dwHighDateTime} << 32 |
                                            v.Value.ft.dwLowDateTime);
      break;
    case PT_STRING8:
      if (v.Value.lpszA) p.bytes = v.Value.lpszA;
      break;
    case PT_UNICODE:
      if (v.Value.lpszW)
        p.bytes.assign(reinterpret_cast<const char*>(v.Value.lpszW), wcslen(v.Value.lpszW) * 2);
      break;
    case PT_CLSID:
      if (v.Value.lpguid) p.bytes = RawOf(*v.Value.lpguid);
      break;
    case PT_BINARY:
      if (v.Value.bin.lpb)
        p.bytes.assign(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb);
      break;
    case PT_MV_BINARY:
      for (ULONG i = 0; i < v.Value.MVbin.cValues && v.Value.MVbin.lpbin; ++i) {
        const SBinary& b = v.Value.MVbin.lpbin[i];
        p.multi.emplace_back(reinterpret_cast<const char*>(b.lpb), b.lpb ? b.cb : 0);
      }
      break;
    case PT_MV_STRING8:
      for (ULONG i = 0; i < v.Value.MVszA.cValues && v.Value.MVszA.lppszA; ++i) {
        p.multi.emplace_back(v.Value.MVszA.lppszA[i] ? v.Value.MVszA.lppszA[i] : "");
      }
      break;
    case PT_MV_UNICODE:
      for (ULONG i = 0; i < v.Value.MVszW.cValues && v.Value.MVszW.lppszW; ++i) {
        const wchar_t* w = v.Value.MVszW.lppszW[i];
        p.multi.emplace_back(reinterpret_cast<const char*>(w), w ? wcslen(w) * 2 : 0);
      }
      break;
    case PT_MV_LONG:
      MultiFrom(p.multi, v.Value.MVl.cValues, v.Value.MVl.lpl);
      break;
    case PT_MV_I2:
      MultiFrom(p.multi, v.Value.MVi.cValues, v.Value.MVi.lpi);
      break;
    case PT_MV_I8:
      MultiFrom(p.multi, v.Value.MVli.cValues, v.Value.MVli.lpli);
      break;
    case PT_MV_SYSTIME:
      MultiFrom(p.multi, v.Value.MVft.cValues, v.Value.MVft.lpft);
      break;
    case PT_MV_CLSID:
      MultiFrom(p.multi, v.Value.MVguid.cValues, v.Value.MVguid.lpguid);
      break;
    case PT_MV_DOUBLE:
      MultiFrom(p.multi, v.Value.MVdbl.cValues, v.Value.MVdbl.lpdbl);
      break;
    default:
      p.integer = v.Value.l;
      break;
  }
  return p;
}

Row FromSPropArray(ULONG count, const SPropValue* values) {
  Row row;
  for (ULONG i = 0; i < count && values; ++i) row.push_back(FromSPropValue(values[i]));
  return row;
}

HRESULT ToSPropValue(const Prop& p, SPropValue& out, void* base) {
  out = SPropValue{};
  out.ulPropTag = p.tag;
  void* mem = nullptr;
  HRESULT hr = S_OK;
  switch (PROP_TYPE(p.tag)) {
    case PT_I2:
      out.Value.i = static_cast<short>(p.integer);
      break;
    case PT_LONG:
      out.Value.l = static_cast<LONG>(p.integer);
      break;
    case PT_R4:
      out.Value.flt = static_cast<float>(p.real);
      break;
    case PT_DOUBLE:
      out.Value.dbl = p.real;
      break;
    case PT_APPTIME:
      out.Value.at = p.real;
      break;
    case PT_CURRENCY:
      out.Value.cur.int64 = p.integer;
      break;
    case PT_ERROR:
      out.Value.err = static_cast<SCODE>(p.integer);
      break;
    case PT_BOOLEAN:
      out.Value.b = p.integer ? 1 : 0;
      break;
    case PT_I8:
      out.Value.li.QuadPart = p.integer;
      break;
    case PT_SYSTIME:
      out.Value.ft.dwLowDateTime = static_cast<DWORD>(p.integer);
      out.Value.ft.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(p.integer) >> 32);
      break;
    case PT_STRING8:
      hr = CopyBytes(p.bytes, base, 1, &mem);
      out.Value.lpszA = static_cast<LPSTR>(mem);
      break;
    case PT_UNICODE:
      hr = CopyBytes(p.bytes, base, 2, &mem);
      out.Value.lpszW = static_cast<LPWSTR>(mem);
      break;
    case PT_CLSID:
      hr = More(base, sizeof(GUID), &mem);
      if (SUCCEEDED(hr)) *static_cast<GUID*>(mem) = ValueOf<GUID>(p.bytes);
      out.Value.lpguid = static_cast<LPGUID>(mem);
      break;
    case PT_BINARY:
      hr = CopyBytes(p.bytes, base, 0, &mem);
      out.Value.bin.cb = static_cast<ULONG>(p.bytes.size());
      out.Value.bin.lpb = static_cast<LPBYTE>(mem);
      break;
    case PT_MV_BINARY: {
      out.Value.MVbin.cValues = static_cast<ULONG>(p.multi.size());
      hr = More(base, sizeof(SBinary) * (p.multi.size() + 1), &mem);
      if (FAILED(hr)) return hr;
      out.Value.MVbin.lpbin = static_cast<SBinary*>(mem);
      for (std::size_t i = 0; i < p.multi.size() && SUCCEEDED(hr); ++i) {
        void* b = nullptr;
        hr = CopyBytes(p.multi[i], base, 0, &b);
        out.Value.MVbin.lpbin[i].cb = static_cast<ULONG>(p.multi[i].size());
        out.Value.MVbin.lpbin[i].lpb = static_cast<LPBYTE>(b);
      }
      break;
    }
    case PT_MV_STRING8:
    case PT_MV_UNICODE: {
      const bool wide = PROP_TYPE(p.tag) == PT_MV_UNICODE;
      out.Value.MVszA.cValues = static_cast<ULONG>(p.multi.size());
      hr = More(base, sizeof(void*) * (p.multi.size() + 1), &mem);
      if (FAILED(hr)) return hr;
      out.Value.MVszA.lppszA = static_cast<LPSTR*>(mem);
      for (std::size_t i = 0; i < p.multi.size() && SUCCEEDED(hr); ++i) {
        void* s = nullptr;
        hr = CopyBytes(p.multi[i], base, wide ? 2 : 1, &s);
        out.Value.MVszA.lppszA[i] = static_cast<LPSTR>(s);
      }
      break;
    }
    case PT_MV_LONG:
      hr = MultiTo(p.multi, base, out.Value.MVl.cValues, out.Value.MVl.lpl);
      break;
    case PT_MV_I2:
      hr = MultiTo(p.multi, base, out.Value.MVi.cValues, out.Value.MVi.lpi);
      break;
    case PT_MV_I8:
      hr = MultiTo(p.multi, base, out.Value.MVli.cValues, out.Value.MVli.lpli);
      break;
    case PT_MV_SYSTIME:
      hr = MultiTo(p.multi, base, out.Value.MVft.cValues, out.Value.MVft.lpft);
      break;
    case PT_MV_CLSID:
      hr = MultiTo(p.multi, base, out.Value.MVguid.cValues, out.Value.MVguid.lpguid);
      break;
    case PT_MV_DOUBLE:
      hr = MultiTo(p.multi, base, out.Value.MVdbl.cValues, out.Value.MVdbl.lpdbl);
      break;
    default:
      out.Value.l = static_cast<LONG>(p.integer);
      break;
  }
  return hr;
}

HRESULT CopyPropArray(ULONG count, const SPropValue* src, SPropValue** out) {
  *out = nullptr;
  void* block = nullptr;
  HRESULT hr = MAPIAllocateBuffer(sizeof(SPropValue) * (count ? count : 1), &block);
  if (FAILED(hr)) return hr;
  auto* values = static_cast<SPropValue*>(block);
  for (ULONG i = 0; i < count; ++i) {
    hr = ToSPropValue(FromSPropValue(src[i]), values[i], block);
    if (FAILED(hr)) {
      MAPIFreeBuffer(block);
      return hr;
    }
  }
  *out = values;
  return S_OK;
}

namespace {

// The row's values for the columns, in column order; without columns, the whole row.
// The values of a row in column order: each column's property, or a not-found error for a
// column the row lacks. The values point into the row (or into the errors) and are copied
// out only once, into the caller's MAPI buffer.
struct PickedColumns {
  std::vector<const Prop*> values;
  std::vector<Prop> errors;  // reserved up front: the values point into it
};

// Picks into `picked`, whose vectors keep their capacity from row to row.
void PickColumns(const Row& row, const SPropTagArray* columns, PickedColumns& picked) {
  picked.values.clear();
  picked.errors.clear();
  if (!columns) {
    for (const Prop& p : row) picked.values.push_back(&p);
    return;
  }
  // The errors never outgrow this, so the values' pointers into them stay valid.
  picked.errors.reserve(columns->cValues);
  for (ULONG i = 0; i < columns->cValues; ++i) {
    const ULONG tag = columns->aulPropTag[i];
    const Prop* p = nullptr;
    for (const Prop& q : row) {
      if (PROP_ID(q.tag) == PROP_ID(tag) &&
          (PROP_TYPE(tag) == PT_UNSPECIFIED || q.tag == tag || PROP_TYPE(q.tag) == PT_ERROR)) {
        p = &q;
        break;
      }
    }
    if (!p) {
      picked.errors.push_back(
          MakeError(static_cast<std::uint16_t>(PROP_ID(tag)), MAPI_E_NOT_FOUND));
      p = &picked.errors.back();
    }
    picked.values.push_back(p);
  }
}

HRESULT FillValues(const PickedColumns& picked, SPropValue* values, void* base) {
  for (std::size_t i = 0; i < picked.values.size(); ++i) {
    if (HRESULT hr = ToSPropValue(*picked.values[i], values[i], base); FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace

namespace {

constexpr std::size_t kNotPacked = ~std::size_t{0};

std::size_t Aligned(std::size_t size) {
  return (size + 7) & ~std::size_t{7};
}

// The bytes a value's data takes after the values when a row is copied into one block:
// nothing for a fixed-size type, kNotPacked for the multi-valued types (copied in chained
// blocks instead). Sizes as ToSPropValue makes them (an empty binary keeps one byte).
std::size_t PackedBytes(const Prop& p) {
  switch (PROP_TYPE(p.tag)) {
    case PT_STRING8:
      return Aligned(p.bytes.size() + 1);
    case PT_UNICODE:
      return Aligned(p.bytes.size() + 2);
    case PT_BINARY:
      return Aligned(p.bytes.empty() ? 1 : p.bytes.size());
    case PT_CLSID:
      return Aligned(sizeof(GUID));
    default:
      return PROP_TYPE(p.tag) & MV_FLAG ? kNotPacked : 0;
  }
}

// Copies a value whose data goes at `data` (PackedBytes(p) bytes, zeroed).
void PackValue(const Prop& p, SPropValue& out, BYTE* data) {
  switch (PROP_TYPE(p.tag)) {
    case PT_STRING8:
    case PT_UNICODE:
    case PT_BINARY:
      if (!p.bytes.empty()) std::memcpy(data, p.bytes.data(), p.bytes.size());
      out.ulPropTag = p.tag;
      if (PROP_TYPE(p.tag) == PT_STRING8) {
        out.Value.lpszA = reinterpret_cast<LPSTR>(data);
      } else if (PROP_TYPE(p.tag) == PT_UNICODE) {
        out.Value.lpszW = reinterpret_cast<LPWSTR>(data);
      } else {
        out.Value.bin.cb = static_cast<ULONG>(p.bytes.size());
        out.Value.bin.lpb = data;
      }
      return;
    case PT_CLSID:
      *reinterpret_cast<GUID*>(data) = ValueOf<GUID>(p.bytes);
      out.ulPropTag = p.tag;
      out.Value.lpguid = reinterpret_cast<LPGUID>(data);
      return;
    default:
      ToSPropValue(p, out, nullptr);  // a fixed-size value needs no memory
  }
}

// RowToProps with the caller's scratch space for the picked columns. A row of strings,
// binaries and fixed-size values is one block (the values, then their data); a row with a
// multi-valued property chains the data of its values to the block of the values.
HRESULT RowToPropsPicking(const Row& row, const SPropTagArray* columns, PickedColumns& picked,
                          ULONG* count, SPropValue** out) {
  *out = nullptr;
  *count = 0;
  PickColumns(row, columns, picked);
  const std::size_t n = picked.values.size();
  // 1. The size of the whole row, when it can be one block.
  std::size_t data = 0;
  for (const Prop* p : picked.values) {
    const std::size_t bytes = PackedBytes(*p);
    if (bytes == kNotPacked) {
      data = kNotPacked;
      break;
    }
    data += bytes;
  }
  const std::size_t head = Aligned(sizeof(SPropValue) * (n ? n : 1));
  MapiBuffer<SPropValue> block;
  HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(data == kNotPacked ? head : head + data),
                                  reinterpret_cast<void**>(block.put()));
  if (FAILED(hr)) return hr;
  // 2. The values, with their data after them or in chained blocks.
  if (data == kNotPacked) {
    if (hr = FillValues(picked, block.get(), block.get()); FAILED(hr)) return hr;
  } else {
    BYTE* next = reinterpret_cast<BYTE*>(block.get()) + head;
    for (std::size_t i = 0; i < n; ++i) {
      PackValue(*picked.values[i], block.get()[i], next);
      next += PackedBytes(*picked.values[i]);
    }
  }
  *count = static_cast<ULONG>(n);
  *out = block.release();
  return S_OK;
}

}  // namespace

HRESULT RowToProps(const Row& row, const SPropTagArray* columns, ULONG* count, SPropValue** out) {
  PickedColumns picked;
  return RowToPropsPicking(row, columns, picked, count, out);
}

HRESULT RowToPropsOn(const Row& row, const SPropTagArray* columns, void* base, ULONG* count,
                     SPropValue** out) {
  *out = nullptr;
  *count = 0;
  PickedColumns picked;
  PickColumns(row, columns, picked);
  const std::size_t n = picked.values.size();
  void* values = nullptr;
  HRESULT hr = MAPIAllocateMore(sizeof(SPropValue) * (n ? n : 1), base, &values);
  if (FAILED(hr)) return hr;
  if (hr = FillValues(picked, static_cast<SPropValue*>(values), base); FAILED(hr)) return hr;
  *count = static_cast<ULONG>(n);
  *out = static_cast<SPropValue*>(values);
  return S_OK;
}

HRESULT MakeRowSet(const std::vector<const Row*>& rows, const SPropTagArray* columns,
                   SRowSet** out) {
  *out = nullptr;
  void* block = nullptr;
  HRESULT hr = MAPIAllocateBuffer(CbNewSRowSet(rows.size()), &block);
  if (FAILED(hr)) return hr;
  auto* set = static_cast<SRowSet*>(block);
  set->cRows = 0;
  PickedColumns picked;
  for (const Row* row : rows) {
    SRow& r = set->aRow[set->cRows];
    r.ulAdrEntryPad = 0;
    hr = RowToPropsPicking(*row, columns, picked, &r.cValues, &r.lpProps);
    if (FAILED(hr)) {
      FreeProws(set);
      return hr;
    }
    ++set->cRows;
  }
  *out = set;
  return S_OK;
}

Restriction FromSRestriction(const SRestriction& r, int depth) {
  Restriction out;
  out.kind = static_cast<RestrictionKind>(r.rt);
  if (depth > 64) {  // deeper nesting than any caller builds: match nothing
    out.kind = RestrictionKind::Or;
    return out;
  }
  switch (r.rt) {
    case RES_AND:
    case RES_OR:
      for (ULONG i = 0; i < r.res.resAnd.cRes && r.res.resAnd.lpRes; ++i) {
        out.children.push_back(FromSRestriction(r.res.resAnd.lpRes[i], depth + 1));
      }
      break;
    case RES_NOT:
      if (r.res.resNot.lpRes)
        out.children.push_back(FromSRestriction(*r.res.resNot.lpRes, depth + 1));
      break;
    case RES_CONTENT:
      out.fuzzy = r.res.resContent.ulFuzzyLevel;
      out.tag = r.res.resContent.ulPropTag;
      if (r.res.resContent.lpProp) out.value = FromSPropValue(*r.res.resContent.lpProp);
      break;
    case RES_PROPERTY:
      out.relop = r.res.resProperty.relop;
      out.tag = r.res.resProperty.ulPropTag;
      if (r.res.resProperty.lpProp) {
        out.value = FromSPropValue(*r.res.resProperty.lpProp);
        // The value's type decides the comparison; the restriction's tag names the column.
        out.tag = PROP_TAG(PROP_TYPE(out.value.tag), PROP_ID(out.tag));
      }
      break;
    case RES_COMPAREPROPS:
      out.relop = r.res.resCompareProps.relop;
      out.tag = r.res.resCompareProps.ulPropTag1;
      out.tag2 = r.res.resCompareProps.ulPropTag2;
      break;
    case RES_BITMASK:
      out.bitmaskRelop = r.res.resBitMask.relBMR;
      out.tag = r.res.resBitMask.ulPropTag;
      out.mask = r.res.resBitMask.ulMask;
      break;
    case RES_SIZE:
      out.relop = r.res.resSize.relop;
      out.tag = r.res.resSize.ulPropTag;
      out.mask = r.res.resSize.cb;
      break;
    case RES_EXIST:
      out.tag = r.res.resExist.ulPropTag;
      break;
    case RES_COMMENT:
      if (r.res.resComment.lpRes)
        out.children.push_back(FromSRestriction(*r.res.resComment.lpRes, depth + 1));
      break;
    default:
      break;
  }
  return out;
}

std::vector<SortKey> FromSortOrderSet(const SSortOrderSet& s) {
  std::vector<SortKey> keys;
  for (ULONG i = 0; i < s.cSorts; ++i) {
    keys.push_back({s.aSort[i].ulPropTag, s.aSort[i].ulOrder == TABLE_SORT_DESCEND});
  }
  return keys;
}

HRESULT MakeTagArray(const std::vector<ULONG>& tags, SPropTagArray** out) {
  void* block = nullptr;
  HRESULT hr = MAPIAllocateBuffer(CbNewSPropTagArray(tags.size()), &block);
  if (FAILED(hr)) return hr;
  auto* arr = static_cast<SPropTagArray*>(block);
  arr->cValues = static_cast<ULONG>(tags.size());
  for (std::size_t i = 0; i < tags.size(); ++i) arr->aulPropTag[i] = tags[i];
  *out = arr;
  return S_OK;
}

}  // namespace mapistandin
