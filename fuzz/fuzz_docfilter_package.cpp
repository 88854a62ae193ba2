// ZIP archives and the office packages inside them over arbitrary bytes: listing,
// member names, extraction under a small cap and every package reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DocumentReader.h"
#include "ZipArchive.h"

using docfilter::Format;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto zip = docfilter::ZipArchive::Open(bytes);
  if (!zip) return 0;
  for (std::size_t i = 0; i < zip->members().size() && i < 64; ++i) {
    const auto& member = zip->members()[i];
    // Listed names never climb out of a folder: no empty, "." or ".." component, no
    // backslash, no drive.
    if (member.name.empty() || member.name.size() > docfilter::kMaxNameBytes) std::abort();
    if (member.name.find('\\') != std::string::npos || member.name.find(':') == 1) std::abort();
    std::size_t start = 0;
    while (start <= member.name.size()) {
      std::size_t end = member.name.find('/', start);
      if (end == std::string::npos) end = member.name.size();
      const std::string_view part(member.name.data() + start, end - start);
      if (part.empty() || part == "." || part == "..") std::abort();
      start = end + 1;
    }
    const auto content = zip->Extract(i, 1 << 16);
    if (content && content->size() > (1u << 16)) std::abort();
  }
  for (Format f :
       {Format::Word, Format::Spreadsheet, Format::Presentation, Format::OpenDocument, Format::Zip})
    (void)docfilter::ExtractText(bytes, f).ReadableText();
  return 0;
}
