// An IStream over bytes in memory. Property streams of messages and attachments use it:
// writes stay in the stream until Commit hands the bytes to the owner's callback, which
// sets the property on the open object (as a transacted property stream does).
#pragma once

#include <objidl.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "util/ComObject.h"

namespace mapistandin {

class MemoryStream : public IStream, public ComObject {
 public:
  using CommitFn = std::function<HRESULT(const std::string&)>;
  // writable: false makes Write, SetSize and Commit fail with STG_E_ACCESSDENIED.
  MemoryStream(std::string data, bool writable, CommitFn commit = {});

  STANDIN_IUNKNOWN
  STDMETHODIMP Read(void* buffer, ULONG size, ULONG* read) override;
  STDMETHODIMP Write(const void* buffer, ULONG size, ULONG* written) override;
  STDMETHODIMP Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
  STDMETHODIMP SetSize(ULARGE_INTEGER size) override;
  STDMETHODIMP CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                      ULARGE_INTEGER* written) override;
  STDMETHODIMP Commit(DWORD flags) override;
  STDMETHODIMP Revert() override;
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override;
  STDMETHODIMP Stat(STATSTG* stat, DWORD flags) override;
  STDMETHODIMP Clone(IStream** out) override;

 protected:
  void* FindInterface(REFIID iid) override;

 private:
  struct Shared {
    std::mutex lock;
    std::string data;
  };
  MemoryStream(std::shared_ptr<Shared> shared, bool writable, CommitFn commit, std::size_t pos);

  std::shared_ptr<Shared> shared_;
  bool writable_;
  CommitFn commit_;
  std::size_t pos_ = 0;
};

// Copies up to size bytes from one stream to another through Read and Write.
HRESULT CopyStream(IStream* source, IStream* target, ULONGLONG size, ULONGLONG* read,
                   ULONGLONG* written);

}  // namespace mapistandin
