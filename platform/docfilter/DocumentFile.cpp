#include "DocumentFile.h"

#include <utility>

#include "Limits.h"

namespace docfilter {

namespace {

// A file handle closed on every path.
class OwnedFile {
 public:
  explicit OwnedFile(HANDLE h) : h_(h) {}
  ~OwnedFile() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  OwnedFile(const OwnedFile&) = delete;
  OwnedFile& operator=(const OwnedFile&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

}  // namespace

DFSTATUS ReadDocumentFile(const char* path, std::string& bytes) {
  // 1. Open for reading, letting others read, write or delete the file meanwhile.
  OwnedFile file(CreateFileA(path, GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) return DF_E_FILEOPEN;

  // 2. Its size must be within what the filter reads.
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return DF_E_FILEOPEN;
  if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > kMaxInputBytes)
    return DF_E_FILETOOLARGE;

  // 3. Read it whole; a file that shrinks meanwhile gives what was there.
  std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 24));
    if (!ReadFile(file.get(), data.data() + done, want, &got, nullptr)) return DF_E_FILEOPEN;
    if (got == 0) break;
    done += got;
  }
  data.resize(done);
  bytes = std::move(data);
  return DF_OK;
}

}  // namespace docfilter
