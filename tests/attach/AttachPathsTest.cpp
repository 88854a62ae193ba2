// Where the attachment object writes: a temporary directory named outside the ANSI code
// page, a caller's path in any script, and no temporary directory at all.
#include <mapix.h>

#include <vector>

#include "AttachTestSupport.h"

namespace attachtest {
namespace {

std::wstring Wide(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

bool ExistsW(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ContentsW(const std::wstring& path) {
  kelmsgs::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return "<missing>";
  std::string text(4096, '\0');
  DWORD read = 0;
  ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
  text.resize(read);
  return text;
}

// Removes a directory with everything in it, by UTF-16 names.
void RemoveTreeW(const std::wstring& dir) {
  WIN32_FIND_DATAW data;
  std::vector<std::wstring> names;
  {
    kelmsgs::FindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &data));
    if (find) {
      do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
      } while (FindNextFileW(find.get(), &data));
    }
  }
  for (const std::wstring& name : names) {
    const std::wstring path = dir + L"\\" + name;
    if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
      RemoveTreeW(path);
    else
      DeleteFileW(path.c_str());
  }
  RemoveDirectoryW(dir.c_str());
}

// TMP and TEMP name another directory while the object lives.
class TempOverride {
 public:
  explicit TempOverride(const std::wstring& dir) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t value[1024] = {};
      GetEnvironmentVariableW(name, value, 1024);
      saved_.emplace_back(name, value);
      SetEnvironmentVariableW(name, dir.c_str());
    }
  }
  ~TempOverride() {
    for (const auto& [name, value] : saved_) SetEnvironmentVariableW(name.c_str(), value.c_str());
  }
  TempOverride(const TempOverride&) = delete;
  TempOverride& operator=(const TempOverride&) = delete;

 private:
  std::vector<std::pair<std::wstring, std::wstring>> saved_;
};

class AttachPathsTest : public AttachmentTest {
 protected:
  ComPtr<IQMXAttach> Kind(Kind kind) { return AttachmentOf(kinds_.get(), kind); }
  static HRESULT SaveTo(IQMXAttach* attach, const std::wstring& target, std::wstring& path) {
    Bstr result;
    const HRESULT hr = attach->Save(B(target).get(), result.put());
    path = result ? Str(result.get()) : L"";
    return hr;
  }
};

// "Übergröße-日本": letters of the ANSI code page and letters outside it.
const std::wstring kFarName = L"\u00DCbergr\u00F6\u00DFe-\u65E5\u672C";

TEST_F(AttachPathsTest, TemporaryDirectoryNamedOutsideTheAnsiCodePage) {
  const std::wstring farDir = Wide(temp_.root()) + L"\\" + kFarName + L"\\";
  // Removed by UTF-16 names whatever the outcome: the scratch directory's own cleanup
  // works in 8 bits.
  const kelmsgs::ScopeExit remove([&farDir] { RemoveTreeW(farDir.substr(0, farDir.size() - 1)); });
  ASSERT_TRUE(CreateDirectoryW(farDir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  {
    TempOverride redirect(farDir);
    // Save writes below that directory and names the file as it is.
    std::wstring path;
    ASSERT_EQ(SaveTo(Kind(kTwoDots).get(), L"", path), S_OK);
    EXPECT_EQ(path, farDir + L"QLA\\report.final.txt");
    EXPECT_EQ(ContentsW(path), "Quarterly figures");

    // The content engine reads its working copy from there too.
    ComPtr<IQMXAttach> zip = Kind(kZip);
    VARIANT_BOOL opened = VARIANT_FALSE;
    EXPECT_EQ(zip->OpenContent(&opened), S_OK);
    EXPECT_EQ(opened, VARIANT_TRUE);
    LONG count = 0;
    EXPECT_EQ(zip->get_ArchiveCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(zip->CloseContent(), S_OK);

    // A caller's path is used as written, every character of it.
    const std::wstring given = farDir + L"Ergebnis-\u65E5\u672C.txt";
    ASSERT_EQ(SaveTo(Kind(kTwoDots).get(), given, path), S_OK);
    EXPECT_EQ(path, given);
    EXPECT_EQ(ContentsW(given), "Quarterly figures");

    // The message's own SaveAttachment writes to the same directory, and to a caller's
    // path in any script.
    VARIANT_BOOL saved = VARIANT_FALSE;
    EXPECT_EQ(kinds_->SaveAttachment(kTwoDots, B(L"").get(), &saved), S_OK);
    EXPECT_EQ(saved, VARIANT_TRUE);
    EXPECT_EQ(ContentsW(farDir + L"report.final.txt"), "Quarterly figures");
    const std::wstring givenByMessage = farDir + L"Nachricht-\u65E5\u672C.txt";
    saved = VARIANT_FALSE;
    EXPECT_EQ(kinds_->SaveAttachment(kTwoDots, B(givenByMessage).get(), &saved), S_OK);
    EXPECT_EQ(saved, VARIANT_TRUE);
    EXPECT_EQ(ContentsW(givenByMessage), "Quarterly figures");
  }
}

// A temporary directory that cannot be found fails the call: nothing is written in its
// place, at the root of the drive or anywhere else.
TEST_F(AttachPathsTest, WithoutATemporaryDirectoryNothingIsWritten) {
  ASSERT_FALSE(ExistsW(L"\\QLA")) << "left over from elsewhere";
  const std::wstring tooLong = Wide(temp_.root()) + L"\\" + std::wstring(300, L'd') + L"\\";
  const std::wstring missing = Wide(temp_.root()) + L"\\missing\\";
  for (const std::wstring& temp : {tooLong, missing}) {
    SCOPED_TRACE(std::string(temp.begin(), temp.begin() + 40));
    TempOverride redirect(temp);
    std::wstring path = L"<unwritten>";
    EXPECT_TRUE(FAILED(SaveTo(Kind(kTwoDots).get(), L"", path)));
    EXPECT_EQ(path, L"");
    VARIANT_BOOL opened = VARIANT_TRUE;
    EXPECT_TRUE(FAILED(Kind(kTwoDots)->OpenContent(&opened)));
    EXPECT_EQ(opened, VARIANT_FALSE);
    VARIANT_BOOL saved = VARIANT_TRUE;
    EXPECT_TRUE(FAILED(kinds_->SaveAttachment(kTwoDots, B(L"").get(), &saved)));
    EXPECT_EQ(saved, VARIANT_FALSE);
    EXPECT_FALSE(ExistsW(L"\\QLA"));
    EXPECT_FALSE(ExistsW(Wide(temp_.root()) + L"\\missing"));
  }
  // What a faulty build may have left at the root goes again.
  RemoveTreeW(L"\\QLA");
}

}  // namespace
}  // namespace attachtest
