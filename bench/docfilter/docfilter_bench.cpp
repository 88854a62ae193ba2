// docfilter_bench: the text of documents through the library's FileContent object against
// reading the same file, in the same run: a 10 MB text file, a docx (6.2 MB package of
// about 40 MB of XML) and a ZIP of 100 text members, each made here in the temporary
// directory. Prints one line per figure, "BENCH<tab>figure<tab>library us<tab>baseline
// us<tab>target", times per whole file, best of several repetitions with the library's
// and the baseline's runs alternating so that both see the same load.
//
// Besides the library's figures it prints, for each input:
// - a floor: reading the file, inflating its deflated members (a docx, a ZIP) into one
//   reused buffer, and writing every byte of the text's automation strings into fresh
//   allocations (the caller owns them, so no extractor can reuse their pages); no
//   extractor can be faster, so it bounds the ratio the library can reach here;
// - the filter libraries alone (their text entry points, the text copied out chunk by
//   chunk), which splits the library's time between the filter and the library.
// Run under Wine in the project's prefix (`make bench`, or by hand):
//   cmake/wine-run.sh build/mingw-x64/bin/docfilter_bench.exe
#include <windows.h>
#include <objbase.h>

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "BenchInputs.h"
#include "BenchTiming.h"
#include "FilterLibrary.h"
#include "Recall.h"
#include "TempFile.h"
#include "ZipArchive.h"
#include "content/QMXFileContent.h"
#include "foundation/ComPtr.h"
#include "foundation/Owned.h"
#include "frame/Module.h"

namespace {

using bench::BestOfBoth;
using bench::Report;
using kelmsgs::Bstr;
using kelmsgs::ComPtr;
using kelmsgs::CQMXFileContent;

constexpr int kRepetitions = 5;

// The baseline: the whole file read into a buffer that every run reuses.
class FileReader {
 public:
  explicit FileReader(std::size_t size) : buffer_(size + 1) {}
  bool Read(const std::string& path) {
    const kelmsgs::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    std::size_t done = 0;
    DWORD got = 0;
    while (done < buffer_.size() &&
           ::ReadFile(file.get(), buffer_.data() + done, static_cast<DWORD>(buffer_.size() - done),
                      &got, nullptr) &&
           got)
      done += got;
    size_ = done;
    return done > 0;
  }
  std::string_view bytes() const { return std::string_view(buffer_.data(), size_); }

 private:
  std::size_t size_ = 0;
  std::vector<char> buffer_;
};

Bstr PathBstr(const std::string& path) {
  return Bstr(SysAllocString(std::wstring(path.begin(), path.end()).c_str()));
}

// The library: Open and FileContent (or, for an archive, every member's ArchiveContent);
// the lengths of the strings it handed out.
bool ThroughLibrary(CQMXFileContent* content, BSTR path, bool members,
                    std::vector<std::size_t>& units) {
  units.clear();
  VARIANT_BOOL opened = VARIANT_FALSE;
  if (FAILED(content->Open(nullptr, path, &opened)) || !opened) return false;
  LONG count = 0;
  bool ok = true;
  if (members && SUCCEEDED(content->get_ArchiveCount(&count)) && count > 0) {
    for (LONG i = 0; i < count && ok; ++i) {
      Bstr text;
      ok = SUCCEEDED(content->get_ArchiveContent(i, text.put()));
      units.push_back(SysStringLen(text.get()));
    }
  } else if (!members) {
    Bstr text;
    ok = SUCCEEDED(content->get_FileContent(text.put()));
    units.push_back(SysStringLen(text.get()));
  }
  content->Close();
  return ok && !units.empty() && units[0] > 0;
}

// Inflates every deflated member of a ZIP held in memory into one reused window, keeping
// nothing: the decompression that reaching a package's text takes, and no more.
bool InflateMembers(std::string_view zip) {
  const auto archive = docfilter::ZipArchive::Open(zip);
  if (!archive) return false;
  const auto u16 = [&zip](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(zip[at]) |
                                    static_cast<unsigned char>(zip[at + 1]) << 8);
  };
  static unsigned char window[1 << 20];
  for (const docfilter::ZipMember& m : archive->members()) {
    if (m.method != 8) continue;
    const std::size_t start =
        m.localOffset + 30 + u16(m.localOffset + 26) + u16(m.localOffset + 28);
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + start));
    z.avail_in = static_cast<uInt>(m.compressedSize);
    int rc = Z_OK;
    while (rc == Z_OK) {
      z.next_out = window;
      z.avail_out = sizeof window;
      rc = inflate(&z, Z_NO_FLUSH);
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) return false;
  }
  return true;
}

// The floor: the read, the members inflated (for a package), and strings of the same
// lengths allocated fresh and written whole.
bool Floor(FileReader& reader, const std::string& path, bool package,
           const std::vector<std::size_t>& units) {
  if (!reader.Read(path)) return false;
  if (package && !InflateMembers(reader.bytes())) return false;
  for (std::size_t n : units) {
    const Bstr text(SysAllocStringLen(nullptr, static_cast<UINT>(n)));
    if (!text) return false;
    std::memset(text.get(), ' ', n * sizeof(OLECHAR));
  }
  return true;
}

std::size_t g_sink = 0;  // keeps the filter's text observable

// The filter libraries alone: the document's text, or every member's body text.
bool ThroughFilter(const std::string& path, bool members) {
  const FilterLibrary& f = Filter();
  if (!members) {
    const std::string text = f.DocumentText(path);
    g_sink += text.size();
    return !text.empty();
  }
  DFHANDLE doc = 0;
  if (f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(path.c_str()), 0) != DF_OK)
    return false;
  LONG count = 0;
  f.DAGetTreeCount(doc, &count);
  for (LONG i = 0; i < count; ++i) g_sink += f.MemberBodyText(doc, static_cast<DWORD>(i)).size();
  f.DACloseDocument(doc);
  return count > 0;
}

// The three figures of one input.
bool Figures(CQMXFileContent* content, const char* what, const std::string& path, bool package,
             bool members, const char* target) {
  const Bstr widePath = PathBstr(path);
  const std::size_t fileBytes = dftest::ReadWholeFile(path).size();
  FileReader reader(fileBytes);
  const auto read = [&] { return reader.Read(path); };
  // 1. One run first: the strings' lengths for the floor, and warm caches for all.
  std::vector<std::size_t> units;
  if (!ThroughLibrary(content, widePath.get(), members, units)) {
    std::fprintf(stderr, "docfilter_bench: %s: the library gave no text\n", what);
    return false;
  }
  std::size_t total = 0;
  for (std::size_t n : units) total += n;
  // 2. The library against the read.
  std::vector<std::size_t> scratch;
  const std::string name = std::string("text of ") + what;
  Report((name + (members ? " through ArchiveContent" : " through FileContent") + " (vs ReadFile)")
             .c_str(),
         BestOfBoth([&] { return ThroughLibrary(content, widePath.get(), members, scratch); }, read,
                    kRepetitions),
         1, target);
  // 3. The floor.
  Report(((package ? "  floor: ReadFile + inflate + fresh BSTRs, "
                   : "  floor: ReadFile + fresh BSTRs, ") +
          std::string(what))
             .c_str(),
         BestOfBoth([&] { return Floor(reader, path, package, units); }, read, kRepetitions), 1,
         "-");
  // 4. The filter libraries alone.
  Report(("  filter DLLs alone, " + std::string(what) + " (vs ReadFile)").c_str(),
         BestOfBoth([&] { return ThroughFilter(path, members); }, read, kRepetitions), 1, "-");
  std::printf("%s: %zu bytes of file, %zu strings, %zu characters of text\n", what, fileBytes,
              units.size(), total);
  return true;
}

}  // namespace

int main() {
  kelmsgs::Module::SetInstance(GetModuleHandleW(nullptr));
  if (FAILED(CoInitialize(nullptr))) return 1;
  int result = 0;
  {
    // 1. The filter, installed in the prefix, and a content object of the library.
    const FilterLibrary& f = Filter();
    ComPtr<CQMXFileContent> content;
    if (!f.problem().empty() || FAILED(CQMXFileContent::Create(content))) {
      std::printf("docfilter_bench: filter not installed: %s\n", f.problem().c_str());
      return 1;
    }
    // 2. The inputs.
    const TempFile text("bench.txt", bench::Words(10u << 20, 1));
    const TempFile docx("bench.docx", bench::Docx(10u << 20));
    const TempFile zip("bench.zip", bench::ManyMembers(100, 300u << 10));
    // 3. The figures.
    if (!Figures(content.get(), "10 MB text", text.path(), false, false, "3")) result = 1;
    if (!Figures(content.get(), "6.2 MB docx", docx.path(), true, false, "20")) result = 1;
    if (!Figures(content.get(), "ZIP of 100 members", zip.path(), true, true, "20")) result = 1;
    std::printf("(%zu bytes of text through the filter alone)\n", g_sink);
  }
  kelmsgs::Module::Shutdown();
  CoUninitialize();
  return result;
}
