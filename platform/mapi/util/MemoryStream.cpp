#include "MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "control/Control.h"

namespace mapistandin {

namespace {
// Streams larger than this are refused, as a store would refuse them.
constexpr ULONGLONG kMaxStreamSize = 1ull << 31;
}  // namespace

HRESULT CopyStream(IStream* source, IStream* target, ULONGLONG size, ULONGLONG* read,
                   ULONGLONG* written) {
  std::vector<char> buffer(64 * 1024);
  ULONGLONG totalRead = 0, totalWritten = 0;
  HRESULT hr = S_OK;
  while (totalRead < size) {
    const ULONG chunk = static_cast<ULONG>(std::min<ULONGLONG>(buffer.size(), size - totalRead));
    ULONG got = 0;
    hr = source->Read(buffer.data(), chunk, &got);
    if (FAILED(hr) || got == 0) break;
    totalRead += got;
    ULONG put = 0;
    hr = target->Write(buffer.data(), got, &put);
    totalWritten += put;
    if (FAILED(hr)) break;
  }
  if (read) *read = totalRead;
  if (written) *written = totalWritten;
  return FAILED(hr) ? hr : S_OK;
}

MemoryStream::MemoryStream(std::string data, bool writable, CommitFn commit)
    : shared_(std::make_shared<Shared>()), writable_(writable), commit_(std::move(commit)) {
  shared_->data = std::move(data);
}

MemoryStream::MemoryStream(std::shared_ptr<Shared> shared, bool writable, CommitFn commit,
                           std::size_t pos)
    : shared_(std::move(shared)), writable_(writable), commit_(std::move(commit)), pos_(pos) {}

void* MemoryStream::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
    return static_cast<IStream*>(this);
  }
  return nullptr;
}

STDMETHODIMP MemoryStream::Read(void* buffer, ULONG size, ULONG* read) {
  if (!buffer && size) return STG_E_INVALIDPOINTER;
  if (HRESULT hr = control::Fault("IStream::Read"); FAILED(hr)) return hr;
  std::lock_guard guard(shared_->lock);
  const std::string& data = shared_->data;
  const std::size_t n = pos_ >= data.size() ? 0 : std::min<std::size_t>(size, data.size() - pos_);
  if (n) std::memcpy(buffer, data.data() + pos_, n);
  pos_ += n;
  if (read) *read = static_cast<ULONG>(n);
  return S_OK;
}

STDMETHODIMP MemoryStream::Write(const void* buffer, ULONG size, ULONG* written) {
  if (written) *written = 0;
  if (!writable_) return STG_E_ACCESSDENIED;
  if (!buffer && size) return STG_E_INVALIDPOINTER;
  if (HRESULT hr = control::Fault("IStream::Write"); FAILED(hr)) return hr;
  std::lock_guard guard(shared_->lock);
  std::string& data = shared_->data;
  if (pos_ + size > kMaxStreamSize) return STG_E_MEDIUMFULL;
  if (data.size() < pos_ + size) data.resize(pos_ + size);
  if (size) std::memcpy(data.data() + pos_, buffer, size);
  pos_ += size;
  if (written) *written = size;
  return S_OK;
}

STDMETHODIMP MemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  std::lock_guard guard(shared_->lock);
  long long base = 0;
  switch (origin) {
    case STREAM_SEEK_SET:
      base = 0;
      break;
    case STREAM_SEEK_CUR:
      base = static_cast<long long>(pos_);
      break;
    case STREAM_SEEK_END:
      base = static_cast<long long>(shared_->data.size());
      break;
    default:
      return STG_E_INVALIDFUNCTION;
  }
  const long long target = base + move.QuadPart;
  if (target < 0) return STG_E_INVALIDFUNCTION;
  pos_ = static_cast<std::size_t>(target);
  if (position) position->QuadPart = pos_;
  return S_OK;
}

STDMETHODIMP MemoryStream::SetSize(ULARGE_INTEGER size) {
  if (!writable_) return STG_E_ACCESSDENIED;
  if (size.QuadPart > kMaxStreamSize) return STG_E_MEDIUMFULL;
  std::lock_guard guard(shared_->lock);
  shared_->data.resize(static_cast<std::size_t>(size.QuadPart));
  return S_OK;
}

STDMETHODIMP MemoryStream::CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                  ULARGE_INTEGER* written) {
  if (!target) return STG_E_INVALIDPOINTER;
  ULONGLONG r = 0, w = 0;
  HRESULT hr = CopyStream(this, target, size.QuadPart, &r, &w);
  if (read) read->QuadPart = r;
  if (written) written->QuadPart = w;
  return hr;
}

STDMETHODIMP MemoryStream::Commit(DWORD) {
  if (!writable_) return STG_E_ACCESSDENIED;
  if (HRESULT hr = control::Fault("IStream::Commit"); FAILED(hr)) return hr;
  if (!commit_) return S_OK;
  std::string copy;
  {
    std::lock_guard guard(shared_->lock);
    copy = shared_->data;
  }
  return commit_(copy);
}

STDMETHODIMP MemoryStream::Revert() {
  return S_OK;
}
STDMETHODIMP MemoryStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}
STDMETHODIMP MemoryStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return STG_E_INVALIDFUNCTION;
}

STDMETHODIMP MemoryStream::Stat(STATSTG* stat, DWORD) {
  if (!stat) return STG_E_INVALIDPOINTER;
  std::memset(stat, 0, sizeof *stat);
  std::lock_guard guard(shared_->lock);
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = shared_->data.size();
  stat->grfMode = writable_ ? STGM_READWRITE : STGM_READ;
  return S_OK;
}

STDMETHODIMP MemoryStream::Clone(IStream** out) {
  if (!out) return STG_E_INVALIDPOINTER;
  *out = new MemoryStream(shared_, writable_, commit_, pos_);
  return S_OK;
}

}  // namespace mapistandin
