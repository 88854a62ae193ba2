// Text extraction speed of the installed document filter, against reading the same file
// in the same run: a 10 MB text file, a 10 MB docx and a 100-member ZIP, each made here.
// Each figure is the best of three runs. Run under Wine in the project's prefix:
//   cmake/wine-run.sh build/mingw-x64/bin/docfilter_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "FilterLibrary.h"
#include "Recall.h"
#include "TempFile.h"
#include "ZipBuilder.h"

namespace {

// Words in a reproducible order, with line breaks, until the text has size bytes.
std::string Words(std::size_t size, std::uint32_t seed) {
  static const char* kWords[] = {
      "harbour", "vessel", "cargo", "pilot",   "channel",   "quay",      "crane",       "ferry",
      "tide",    "berth",  "storm", "lantern", "warehouse", "timetable", "caf\xC3\xA9", "engineer"};
  std::string text;
  text.reserve(size + 16);
  while (text.size() < size) {
    seed = seed * 1664525u + 1013904223u;
    text += kWords[(seed >> 16) % 16];
    text += (seed >> 8) % 13 == 0 ? '\n' : ' ';
  }
  text.resize(size);
  return text;
}

std::string Docx(std::size_t fileSize) {
  // Paragraphs of runs until the deflated package reaches the size.
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document xmlns:w=\"w\"><w:body>";
  const std::string words = Words(fileSize * 4, 7);
  for (std::size_t at = 0; at < words.size(); at += 400)
    xml += "<w:p><w:r><w:t xml:space=\"preserve\">" + words.substr(at, 400) + "</w:t></w:r></w:p>";
  xml += "</w:body></w:document>";
  return dftest::ZipBuilder()
      .Add("[Content_Types].xml", "<Types/>")
      .Add("word/document.xml", xml)
      .Finish();
}

std::string ManyMembers(std::size_t members, std::size_t memberSize) {
  dftest::ZipBuilder zip;
  for (std::size_t i = 0; i < members; ++i)
    zip.Add("notes/member" + std::to_string(i) + ".txt",
            Words(memberSize, static_cast<std::uint32_t>(i)));
  return zip.Finish();
}

double Seconds(const std::function<void()>& work) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    work();
    QueryPerformanceCounter(&b);
    best = std::min(best,
                    static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart));
  }
  return best;
}

// The baseline: the whole file into memory.
void ReadFile(const std::string& path) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::vector<char> buffer(1 << 20);
  DWORD got = 0;
  while (::ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got) {
  }
  CloseHandle(h);
}

std::size_t g_sink = 0;  // keeps the extracted text observable

void ExtractMembers(const FilterLibrary& f, const std::string& path) {
  DFHANDLE doc = 0;
  if (f.DAOpenDocument(&doc, DF_SOURCE_ANSIPATH, const_cast<char*>(path.c_str()), 0) != DF_OK)
    return;
  LONG count = 0;
  f.DAGetTreeCount(doc, &count);
  for (LONG i = 0; i < count; ++i) g_sink += f.MemberBodyText(doc, static_cast<DWORD>(i)).size();
  f.DACloseDocument(doc);
}

void Report(const char* what, const std::string& path, std::size_t bytes,
            const std::function<void()>& extract) {
  const double read = Seconds([&] { ReadFile(path); });
  const double extracted = Seconds(extract);
  const double mb = static_cast<double>(bytes) / (1 << 20);
  std::printf("| %-22s | %6.1f | %9.1f | %10.1f | %8.1f |\n", what, mb, mb / read, mb / extracted,
              extracted / read);
  // The same figure for `make bench`'s table: microseconds per file; no target is set.
  std::printf("BENCH\ttext extraction, %s (vs ReadFile)\t%.1f\t%.1f\t-\n", what, extracted * 1e6,
              read * 1e6);
}

}  // namespace

int main() {
  const FilterLibrary& f = Filter();
  if (!f.problem().empty()) {
    std::printf("filter not installed: %s\n", f.problem().c_str());
    return 1;
  }
  const TempFile text("bench.txt", Words(10u << 20, 1));
  const TempFile docx("bench.docx", Docx(10u << 20));
  const TempFile zip("bench.zip", ManyMembers(100, 300u << 10));
  std::printf("| input                  |     MB | read MB/s | extract MB/s | ratio |\n");
  std::printf("|------------------------|--------|-----------|--------------|-------|\n");
  Report("text, 10 MB", text.path(), 10u << 20,
         [&] { g_sink += f.DocumentText(text.path()).size(); });
  Report("docx", docx.path(), dftest::ReadWholeFile(docx.path()).size(),
         [&] { g_sink += f.DocumentText(docx.path()).size(); });
  Report("ZIP, 100 members", zip.path(), dftest::ReadWholeFile(zip.path()).size(),
         [&] { ExtractMembers(f, zip.path()); });
  std::printf("(ratio: extraction time over read time; %zu bytes of text extracted)\n", g_sink);
  return 0;
}
