#include "FileStream.h"

#include <cstring>

#include "util/MemoryStream.h"

namespace mapistandin {

void* FileStream::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IStream || iid == IID_ISequentialStream) {
    return static_cast<IStream*>(this);
  }
  return nullptr;
}

STDMETHODIMP FileStream::Read(void* buffer, ULONG size, ULONG* read) {
  DWORD got = 0;
  if (!ReadFile(file_.h, buffer, size, &got, nullptr)) return STG_E_READFAULT;
  if (read) *read = got;
  return S_OK;
}

STDMETHODIMP FileStream::Write(const void* buffer, ULONG size, ULONG* written) {
  if (written) *written = 0;
  if (!writable_) return STG_E_ACCESSDENIED;
  DWORD put = 0;
  if (!WriteFile(file_.h, buffer, size, &put, nullptr)) return STG_E_WRITEFAULT;
  if (written) *written = put;
  return S_OK;
}

STDMETHODIMP FileStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
  LARGE_INTEGER now{};
  if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
  if (!SetFilePointerEx(file_.h, move, &now, origin)) return STG_E_INVALIDFUNCTION;
  if (position) position->QuadPart = static_cast<ULONGLONG>(now.QuadPart);
  return S_OK;
}

STDMETHODIMP FileStream::SetSize(ULARGE_INTEGER size) {
  if (!writable_) return STG_E_ACCESSDENIED;
  LARGE_INTEGER here{}, zero{}, target{};
  SetFilePointerEx(file_.h, zero, &here, FILE_CURRENT);
  target.QuadPart = static_cast<LONGLONG>(size.QuadPart);
  if (!SetFilePointerEx(file_.h, target, nullptr, FILE_BEGIN) || !SetEndOfFile(file_.h)) {
    return STG_E_MEDIUMFULL;
  }
  SetFilePointerEx(file_.h, here, nullptr, FILE_BEGIN);
  return S_OK;
}

STDMETHODIMP FileStream::CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                ULARGE_INTEGER* written) {
  if (!target) return STG_E_INVALIDPOINTER;
  ULONGLONG r = 0, w = 0;
  HRESULT hr = CopyStream(this, target, size.QuadPart, &r, &w);
  if (read) read->QuadPart = r;
  if (written) written->QuadPart = w;
  return hr;
}

STDMETHODIMP FileStream::Commit(DWORD) {
  if (writable_ && !FlushFileBuffers(file_.h)) return STG_E_WRITEFAULT;
  return S_OK;
}

STDMETHODIMP FileStream::Stat(STATSTG* stat, DWORD) {
  if (!stat) return STG_E_INVALIDPOINTER;
  std::memset(stat, 0, sizeof *stat);
  LARGE_INTEGER size{};
  GetFileSizeEx(file_.h, &size);
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
  stat->grfMode = writable_ ? STGM_READWRITE : STGM_READ;
  return S_OK;
}

STDMETHODIMP FileStream::Clone(IStream**) {
  return STG_E_INVALIDFUNCTION;
}

}  // namespace mapistandin
