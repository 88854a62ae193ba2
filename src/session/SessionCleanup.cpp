// QMXSession: emptying the attachment copy's temporary root.
#include "attach/QlaPaths.h"
#include "session/QMXSession.h"

namespace kelmsgs {

HRESULT CQMXSession::CleanupQlaTempDir() {
  // 1. No copy writes there meanwhile.
  EndCopy("CleanupQlaTempDir");
  // 2. Everything below the root; the root stays.
  std::string root = AnsiQlaRoot();
  if (root.empty()) return S_OK;
  root.pop_back();
  CleanupDirectory(root);
  return S_OK;
}

void CQMXSession::CleanupDirectory(const std::string& directory) {
  // 1. The entries of the directory.
  WIN32_FIND_DATAA entry{};
  const FindHandle find(FindFirstFileA((directory + "\\*.*").c_str(), &entry));
  if (!find) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = directory + "\\" + name;
    // 2. A link or junction is removed itself: what it points to lies elsewhere and is
    //    never touched.
    const bool link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // 3. A subdirectory: emptied, then removed.
      SESSION_TRACE("CleanupDirectory", path);
      if (!link) CleanupDirectory(path);
      RemoveDirectoryA(path.c_str());
    } else {
      // 4. A file.
      DeleteFileA(path.c_str());
      SESSION_TRACE("CleanupDirectory", path);
    }
  } while (FindNextFileA(find.get(), &entry));
}

}  // namespace kelmsgs
