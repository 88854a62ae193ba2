// The IMAPIProp part shared by stores, folders, messages, attachments and profile
// sections. A derived class supplies its properties (including the ones it computes),
// where written values go, and what OpenProperty and SaveChanges mean for it.
#pragma once

#include <mapix.h>

#include <memory>
#include <string>
#include <vector>

#include "control/Control.h"
#include "core/MessageData.h"
#include "store/NamedProps.h"
#include "store/StoreEngine.h"
#include "util/ComObject.h"
#include "util/Owners.h"
#include "util/PropConvert.h"

namespace mapistandin {

// The property ranges nobody may write: identifiers the store maintains.
bool IsComputedTag(ULONG tag);
// Fills a MAPIERROR in one MAPI block.
HRESULT MakeMapiError(HRESULT hr, const char* component, LPMAPIERROR* out);
// The value converted to the requested type (8-bit and Unicode strings), or none.
bool CoerceToTag(const Prop& stored, ULONG wanted, Prop& out);

template <class I>
class PropObject : public I, public ComObject {
 public:
  STANDIN_IUNKNOWN

  STDMETHODIMP GetLastError(HRESULT hr, ULONG, LPMAPIERROR* error) override {
    if (!error) return MAPI_E_INVALID_PARAMETER;
    return MakeMapiError(hr, Kind(), error);
  }

  STDMETHODIMP SaveChanges(ULONG flags) override {
    control::Journal((std::string(Kind()) + "::SaveChanges").c_str(), flags, {}, ObjectHex());
    if (HRESULT hr = control::Fault("SaveChanges", ObjectHex()); FAILED(hr)) return hr;
    if (closed_) return MAPI_E_INVALID_OBJECT;
    if (!writable_) return MAPI_E_NO_ACCESS;
    HRESULT hr = Save(flags);
    if (FAILED(hr)) return hr;
    // Only KEEP_OPEN_READWRITE keeps the object writable; after KEEP_OPEN_READONLY or no
    // flag the caller may still read it and must release it.
    if (!(flags & KEEP_OPEN_READWRITE)) writable_ = false;
    return hr;
  }

  STDMETHODIMP GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count,
                        LPSPropValue* out) override {
    // 1. Arguments.
    if (!count || !out) return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *out = nullptr;
    control::Journal((std::string(Kind()) + "::GetProps").c_str(), flags,
                     tags ? std::vector<ULONG>(tags->aulPropTag, tags->aulPropTag + tags->cValues)
                          : std::vector<ULONG>{},
                     ObjectHex());
    if (HRESULT hr = control::Fault("GetProps", ObjectHex()); FAILED(hr)) return hr;
    if (closed_) return MAPI_E_INVALID_OBJECT;
    // 2. The values asked for, or all; missing ones and oversized strings and binaries
    //    become error values.
    const Row all = AllProps();
    const ULONG limit = control::SizeLimit();
    Row picked;
    bool errors = false;
    auto clip = [&](Prop p) {
      const ULONG type = PROP_TYPE(p.tag);
      if ((type == PT_STRING8 || type == PT_UNICODE || type == PT_BINARY) &&
          p.bytes.size() > limit) {
        p = MakeError(static_cast<std::uint16_t>(PROP_ID(p.tag)), MAPI_E_NOT_ENOUGH_MEMORY);
      }
      if (PROP_TYPE(p.tag) == PT_ERROR) errors = true;
      return p;
    };
    if (tags) {
      for (ULONG i = 0; i < tags->cValues; ++i) {
        const ULONG tag = tags->aulPropTag[i];
        const Prop* stored = FindPropById(all, static_cast<std::uint16_t>(PROP_ID(tag)));
        Prop value;
        if (stored && CoerceToTag(*stored, tag, value)) {
          picked.push_back(clip(value));
        } else {
          picked.push_back(
              clip(MakeError(static_cast<std::uint16_t>(PROP_ID(tag)), MAPI_E_NOT_FOUND)));
        }
      }
    } else {
      for (const Prop& p : all) {
        Prop value = p;
        if (PROP_TYPE(p.tag) == PT_STRING8 && (flags & MAPI_UNICODE)) {
          CoerceToTag(p, CHANGE_PROP_TYPE(p.tag, PT_UNICODE), value);
        }
        picked.push_back(clip(value));
      }
    }
    HRESULT hr = RowToProps(picked, nullptr, count, out);
    if (FAILED(hr)) return hr;
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
  }

  STDMETHODIMP GetPropList(ULONG, LPSPropTagArray* tags) override {
    if (!tags) return MAPI_E_INVALID_PARAMETER;
    std::vector<ULONG> list;
    for (const Prop& p : AllProps()) list.push_back(p.tag);
    return MakeTagArray(list, tags);
  }

  STDMETHODIMP OpenProperty(ULONG tag, LPCIID iid, ULONG options, ULONG flags,
                            LPUNKNOWN* out) override {
    if (!iid || !out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    control::Journal((std::string(Kind()) + "::OpenProperty").c_str(), flags, {tag}, ObjectHex());
    if (HRESULT hr = control::Fault("OpenProperty", ObjectHex()); FAILED(hr)) return hr;
    if (closed_) return MAPI_E_INVALID_OBJECT;
    if ((flags & (MAPI_CREATE | MAPI_MODIFY)) && !writable_) return MAPI_E_NO_ACCESS;
    return OpenProp(tag, *iid, options, flags, out);
  }

  STDMETHODIMP SetProps(ULONG count, LPSPropValue values, LPSPropProblemArray* problems) override {
    // 1. Arguments and access.
    if (problems) *problems = nullptr;
    if (count && !values) return MAPI_E_INVALID_PARAMETER;
    std::vector<ULONG> tags;
    for (ULONG i = 0; i < count; ++i) tags.push_back(values[i].ulPropTag);
    control::Journal((std::string(Kind()) + "::SetProps").c_str(), 0, tags, ObjectHex());
    if (HRESULT hr = control::Fault("SetProps", ObjectHex()); FAILED(hr)) return hr;
    if (closed_) return MAPI_E_INVALID_OBJECT;
    if (!writable_) return MAPI_E_NO_ACCESS;
    // 2. Store-maintained and malformed values are problems; the rest is written.
    Row accepted;
    std::vector<SPropProblem> rejected;
    for (ULONG i = 0; i < count; ++i) {
      const ULONG tag = values[i].ulPropTag;
      if (PROP_TYPE(tag) == PT_ERROR || PROP_TYPE(tag) == PT_OBJECT ||
          PROP_TYPE(tag) == PT_UNSPECIFIED) {
        rejected.push_back({i, tag, MAPI_E_INVALID_TYPE});
      } else if (IsComputedTag(tag) || !AcceptsTag(tag)) {
        rejected.push_back({i, tag, MAPI_E_COMPUTED});
      } else {
        accepted.push_back(FromSPropValue(values[i]));
      }
    }
    HRESULT hr = PutProps(accepted);
    if (FAILED(hr)) return hr;
    return ReportProblems(rejected, problems);
  }

  STDMETHODIMP DeleteProps(LPSPropTagArray tags, LPSPropProblemArray* problems) override {
    if (problems) *problems = nullptr;
    if (!tags) return MAPI_E_INVALID_PARAMETER;
    control::Journal((std::string(Kind()) + "::DeleteProps").c_str(), 0,
                     std::vector<ULONG>(tags->aulPropTag, tags->aulPropTag + tags->cValues),
                     ObjectHex());
    if (closed_) return MAPI_E_INVALID_OBJECT;
    if (!writable_) return MAPI_E_NO_ACCESS;
    std::vector<std::uint16_t> ids;
    std::vector<SPropProblem> rejected;
    for (ULONG i = 0; i < tags->cValues; ++i) {
      if (IsComputedTag(tags->aulPropTag[i])) {
        rejected.push_back({i, tags->aulPropTag[i], MAPI_E_COMPUTED});
      } else {
        ids.push_back(static_cast<std::uint16_t>(PROP_ID(tags->aulPropTag[i])));
      }
    }
    HRESULT hr = RemoveProps(ids);
    if (FAILED(hr)) return hr;
    return ReportProblems(rejected, problems);
  }

  STDMETHODIMP CopyTo(ULONG excludeIidCount, LPCIID excludeIids, LPSPropTagArray excludeProps,
                      ULONG, LPMAPIPROGRESS, LPCIID iid, LPVOID dest, ULONG flags,
                      LPSPropProblemArray* problems) override {
    if (problems) *problems = nullptr;
    std::vector<ULONG> excluded;
    if (excludeProps)
      excluded.assign(excludeProps->aulPropTag, excludeProps->aulPropTag + excludeProps->cValues);
    control::Journal((std::string(Kind()) + "::CopyTo").c_str(), flags, excluded,
                     "excludedInterfaces=" + std::to_string(excludeIidCount));
    const HRESULT fault = control::Fault("CopyTo", ObjectHex());
    if (FAILED(fault)) return fault;
    if (!dest || !iid || (excludeIidCount && !excludeIids)) return MAPI_E_INVALID_PARAMETER;
    if (closed_) return MAPI_E_INVALID_OBJECT;
    if (dest == static_cast<I*>(this)) return MAPI_E_NO_ACCESS;
    for (ULONG i = 0; i < excludeIidCount; ++i) {
      if (excludeIids[i] == *iid) return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    const HRESULT hr = CopyInto(*iid, static_cast<IUnknown*>(dest), excluded, flags);
    // A warning rule (MAPI_W_ERRORS_RETURNED) copies and then reports the warning, as a
    // provider does that could not write some of the values.
    return SUCCEEDED(hr) && fault != S_OK ? fault : hr;
  }

  STDMETHODIMP CopyProps(LPSPropTagArray include, ULONG, LPMAPIPROGRESS, LPCIID iid, LPVOID dest,
                         ULONG flags, LPSPropProblemArray* problems) override {
    if (problems) *problems = nullptr;
    if (!include || !dest || !iid) return MAPI_E_INVALID_PARAMETER;
    control::Journal(
        (std::string(Kind()) + "::CopyProps").c_str(), flags,
        std::vector<ULONG>(include->aulPropTag, include->aulPropTag + include->cValues));
    Ref<IMAPIProp> target;
    if (FAILED(static_cast<IUnknown*>(dest)->QueryInterface(IID_IMAPIProp, target.put_void()))) {
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    Row values;
    const Row all = AllProps();
    for (ULONG i = 0; i < include->cValues; ++i) {
      const Prop* p =
          FindPropById(all, static_cast<std::uint16_t>(PROP_ID(include->aulPropTag[i])));
      if (p && !IsComputedTag(p->tag)) values.push_back(*p);
    }
    return WriteRow(target.get(), values, flags);
  }

  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray* tags, LPGUID propSet, ULONG flags, ULONG* count,
                               LPMAPINAMEID** names) override {
    std::shared_ptr<NameRegistry> registry = Names();
    if (!registry) return MAPI_E_NO_SUPPORT;
    return mapistandin::GetNamesFromIDs(*registry, tags, propSet, flags, count, names);
  }

  STDMETHODIMP GetIDsFromNames(ULONG count, LPMAPINAMEID* names, ULONG flags,
                               LPSPropTagArray* tags) override {
    std::shared_ptr<NameRegistry> registry = Names();
    if (!registry) return MAPI_E_NO_SUPPORT;
    if ((flags & MAPI_CREATE) && !writable_ && !namesAlwaysWritable_) return MAPI_E_NO_ACCESS;
    return mapistandin::GetIDsFromNames(*registry, count, names, flags, tags);
  }

  // Writes values onto another object through its SetProps; MAPI_NOREPLACE keeps the
  // values the target has.
  static HRESULT WriteRow(IMAPIProp* target, const Row& values, ULONG flags) {
    Row toWrite;
    if (flags & MAPI_NOREPLACE) {
      MapiBuffer<SPropValue> existing;
      ULONG n = 0;
      target->GetProps(nullptr, 0, &n, existing.put());
      const Row have = FromSPropArray(n, existing.get());
      for (const Prop& p : values) {
        const Prop* h = FindPropById(have, IdOf(p.tag));
        if (!h || TypeOf(h->tag) == PT_ERROR) toWrite.push_back(p);
      }
    } else {
      toWrite = values;
    }
    if (toWrite.empty()) return S_OK;
    ULONG n = 0;
    MapiBuffer<SPropValue> array;
    HRESULT hr = RowToProps(toWrite, nullptr, &n, array.put());
    if (FAILED(hr)) return hr;
    MapiBuffer<SPropProblemArray> ignored;
    return target->SetProps(n, array.get(), ignored.put());
  }

 protected:
  virtual const char* Kind() const = 0;
  virtual std::string ObjectHex() const { return {}; }
  virtual Row AllProps() = 0;
  virtual bool AcceptsTag(ULONG) const { return true; }
  virtual HRESULT PutProps(const Row& values) = 0;
  virtual HRESULT RemoveProps(const std::vector<std::uint16_t>& ids) = 0;
  virtual HRESULT Save(ULONG flags) = 0;
  virtual HRESULT OpenProp(ULONG tag, REFIID iid, ULONG options, ULONG flags, LPUNKNOWN* out) = 0;
  virtual HRESULT CopyInto(REFIID iid, IUnknown* dest, const std::vector<ULONG>& excluded,
                           ULONG flags) = 0;
  virtual std::shared_ptr<StoreEngine> Engine() const { return nullptr; }
  // Where the object's named properties live: its store's, unless a derived class says.
  virtual std::shared_ptr<NameRegistry> Names() const {
    std::shared_ptr<StoreEngine> engine = Engine();
    return engine ? StoreNames(std::move(engine)) : nullptr;
  }

  static HRESULT ReportProblems(const std::vector<SPropProblem>& rejected,
                                LPSPropProblemArray* out) {
    if (!out || rejected.empty()) return S_OK;
    void* block = nullptr;
    HRESULT hr = MAPIAllocateBuffer(CbNewSPropProblemArray(rejected.size()), &block);
    if (FAILED(hr)) return hr;
    auto* arr = static_cast<SPropProblemArray*>(block);
    arr->cProblem = static_cast<ULONG>(rejected.size());
    for (std::size_t i = 0; i < rejected.size(); ++i) arr->aProblem[i] = rejected[i];
    *out = arr;
    return S_OK;
  }

  bool writable_ = false;
  bool closed_ = false;
  bool namesAlwaysWritable_ = false;  // stores: names can be registered on a read-only open
};

}  // namespace mapistandin
