// MAPI memory: blocks from MAPIAllocateBuffer, with more blocks chained to them by
// MAPIAllocateMore; MAPIFreeBuffer on the first block frees the whole chain. Both
// allocations can be made to fail (out of memory) through the fault controls, and the
// first blocks not yet freed are counted for leak checks.
#include <mapix.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "MapiMemory.h"
#include "control/Control.h"

namespace {

// Every block starts with this header; the caller sees the bytes after it.
struct alignas(16) BlockHeader {
  std::uint32_t magic;
  BlockHeader* nextMore;  // chained blocks of a first block
};
constexpr std::uint32_t kFirstMagic = 0x4D415049;  // a block of MAPIAllocateBuffer
constexpr std::uint32_t kMoreMagic = 0x4D4F5245;   // a block of MAPIAllocateMore
std::mutex g_chainLock;
std::atomic<ULONG> g_outstanding{0};  // first blocks not yet freed

BlockHeader* HeaderOf(void* p) {
  return static_cast<BlockHeader*>(p) - 1;
}

void* NewBlock(ULONG size, std::uint32_t magic) {
  auto* header = static_cast<BlockHeader*>(std::calloc(1, sizeof(BlockHeader) + size));
  if (!header) return nullptr;
  header->magic = magic;
  header->nextMore = nullptr;
  return header + 1;
}

}  // namespace

namespace mapistandin {
ULONG OutstandingBuffers() {
  return g_outstanding.load();
}
}  // namespace mapistandin

extern "C" SCODE WINAPI MAPIAllocateBuffer(ULONG size, LPVOID* out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  if (HRESULT hr = mapistandin::control::Fault("MAPIAllocateBuffer"); FAILED(hr)) return hr;
  *out = NewBlock(size, kFirstMagic);
  if (!*out) return MAPI_E_NOT_ENOUGH_MEMORY;
  ++g_outstanding;
  return S_OK;
}

extern "C" SCODE WINAPI MAPIAllocateMore(ULONG size, LPVOID object, LPVOID* out) {
  if (!out) return MAPI_E_INVALID_PARAMETER;
  *out = nullptr;
  if (!object || HeaderOf(object)->magic != kFirstMagic) return MAPI_E_INVALID_PARAMETER;
  if (HRESULT hr = mapistandin::control::Fault("MAPIAllocateMore"); FAILED(hr)) return hr;
  void* block = NewBlock(size, kMoreMagic);
  if (!block) return MAPI_E_NOT_ENOUGH_MEMORY;
  std::lock_guard guard(g_chainLock);
  BlockHeader* first = HeaderOf(object);
  HeaderOf(block)->nextMore = first->nextMore;
  first->nextMore = HeaderOf(block);
  *out = block;
  return S_OK;
}

extern "C" ULONG WINAPI MAPIFreeBuffer(LPVOID buffer) {
  if (!buffer) return S_OK;
  BlockHeader* first = HeaderOf(buffer);
  // Only first blocks are freed; a chained block goes with its first block.
  if (first->magic != kFirstMagic) return S_OK;
  BlockHeader* more = nullptr;
  {
    std::lock_guard guard(g_chainLock);
    more = first->nextMore;
    first->magic = 0;
  }
  while (more) {
    BlockHeader* next = more->nextMore;
    more->magic = 0;
    std::free(more);
    more = next;
  }
  std::free(first);
  --g_outstanding;
  return S_OK;
}
