// An IStream over a file, as OpenStreamOnFile hands out.
#pragma once

#include <objidl.h>

#include "util/ComObject.h"
#include "util/Owners.h"

namespace mapistandin {

class FileStream : public IStream, public ComObject {
 public:
  FileStream(HANDLE file, bool writable) : file_(file), writable_(writable) {}

  STANDIN_IUNKNOWN
  STDMETHODIMP Read(void* buffer, ULONG size, ULONG* read) override;
  STDMETHODIMP Write(const void* buffer, ULONG size, ULONG* written) override;
  STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  STDMETHODIMP SetSize(ULARGE_INTEGER size) override;
  STDMETHODIMP CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                      ULARGE_INTEGER* written) override;
  STDMETHODIMP Commit(DWORD flags) override;
  STDMETHODIMP Revert() override { return S_OK; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override;
  STDMETHODIMP Clone(IStream** out) override;

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  HandleOwner file_;
  bool writable_;
};

}  // namespace mapistandin
