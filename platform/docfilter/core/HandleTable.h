// Open objects behind opaque handles. A handle is a number from one process-wide
// counter, never an address and never reused, so a stale, foreign or made-up handle is
// simply not found instead of being followed. Lookups hand out shared ownership: an
// object stays alive while an operation uses it even if it is closed meanwhile.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace docfilter {

inline std::uintptr_t NextHandle() {
  static std::atomic<std::uintptr_t> counter{0x100};
  return counter.fetch_add(4) + 4;
}

template <class T>
class HandleTable {
 public:
  explicit HandleTable(std::size_t capacity) : capacity_(capacity) {}

  // The new handle, or 0 when the table is full (a caller that never closes).
  std::uintptr_t Add(std::shared_ptr<T> object) {
    std::lock_guard guard(lock_);
    if (entries_.size() >= capacity_) return 0;
    const std::uintptr_t handle = NextHandle();
    entries_.emplace(handle, std::move(object));
    return handle;
  }

  std::shared_ptr<T> Get(std::uintptr_t handle) const {
    std::lock_guard guard(lock_);
    const auto it = entries_.find(handle);
    return it == entries_.end() ? nullptr : it->second;
  }

  // The object removed, or null when the handle was not open.
  std::shared_ptr<T> Remove(std::uintptr_t handle) {
    std::lock_guard guard(lock_);
    const auto it = entries_.find(handle);
    if (it == entries_.end()) return nullptr;
    std::shared_ptr<T> object = std::move(it->second);
    entries_.erase(it);
    return object;
  }

  void Clear() {
    std::map<std::uintptr_t, std::shared_ptr<T>> old;
    {
      std::lock_guard guard(lock_);
      old.swap(entries_);
    }
  }

 private:
  mutable std::mutex lock_;
  std::map<std::uintptr_t, std::shared_ptr<T>> entries_;
  std::size_t capacity_;
};

}  // namespace docfilter
