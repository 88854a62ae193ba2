// A snapshot enumerator for the IEnumXxx interfaces of connection points: it copies its
// items when it is made, so later Advise/Unadvise calls do not disturb it.
#pragma once

#include <ocidl.h>

#include <vector>

#include "frame/Module.h"
#include "frame/RefCounted.h"

namespace kelmsgs {

// Item traits: how an item is copied out (with its own references) and released.
struct ConnectDataTraits {
  static void Copy(CONNECTDATA& to, const CONNECTDATA& from) noexcept {
    to = from;
    if (to.pUnk) to.pUnk->AddRef();
  }
  static void Release(CONNECTDATA& item) noexcept {
    if (item.pUnk) item.pUnk->Release();
  }
};
struct ConnectionPointTraits {
  static void Copy(IConnectionPoint*& to, IConnectionPoint* from) noexcept {
    to = from;
    if (to) to->AddRef();
  }
  static void Release(IConnectionPoint*& item) noexcept {
    if (item) item->Release();
  }
};

template <class EnumItf, class Item, class Traits>
class Enumerator final : public RefCounted<Enumerator<EnumItf, Item, Traits>, EnumItf> {
 public:
  // Copies the items (taking references).
  static HRESULT Create(const std::vector<Item>& items, std::size_t position, EnumItf** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<Enumerator> e = Enumerator::Make();
    if (!e) return E_OUTOFMEMORY;
    e->items_.resize(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) Traits::Copy(e->items_[i], items[i]);
    e->position_ = position;
    *out = e.detach();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    for (; n < count && position_ < items_.size(); ++n, ++position_)
      Traits::Copy(out[n], items_[position_]);
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    const std::size_t left = items_.size() - position_;
    if (count > left) {
      position_ = items_.size();
      return S_FALSE;
    }
    position_ += count;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(EnumItf** out) override { return Create(items_, position_, out); }

 private:
  friend class RefCounted<Enumerator, EnumItf>;
  Enumerator() = default;
  ~Enumerator() override {
    for (auto& item : items_) Traits::Release(item);
  }

  ModuleLock lock_;
  std::vector<Item> items_;
  std::size_t position_ = 0;
};

using ConnectionsEnumerator = Enumerator<IEnumConnections, CONNECTDATA, ConnectDataTraits>;
using ConnectionPointsEnumerator =
    Enumerator<IEnumConnectionPoints, IConnectionPoint*, ConnectionPointTraits>;

}  // namespace kelmsgs
