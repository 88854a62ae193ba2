// Every document reader over arbitrary bytes: the format recognised from the data, and
// each text format forced on it as well, since a file may claim to be anything. The
// readers must stay inside the data, stop, and keep their output within the cap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "DocumentReader.h"
#include "ElementStream.h"

using docfilter::Format;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the reader; the rest is the document.
  constexpr Format kForced[] = {Format::Unknown, Format::Text, Format::Html,
                                Format::Rtf,     Format::Mail, Format::Pdf};
  const Format pick = kForced[data[0] % (sizeof kForced / sizeof kForced[0])];
  const std::string_view doc(reinterpret_cast<const char*>(data) + 1, size - 1);
  const Format format = pick == Format::Unknown ? docfilter::DetectFormat(doc) : pick;
  const docfilter::DocumentText text = docfilter::ExtractText(doc, format);
  if (text.ReadableText().size() > docfilter::kMaxTextBytes + 64) std::abort();

  // The parts as elements, through a small buffer.
  docfilter::ElementStream elements(text);
  char buffer[64];
  docfilter::ElementOut out;
  for (bool first = true; elements.Read(first, buffer, sizeof buffer, out); first = false)
    if (out.textBytes > sizeof buffer) std::abort();
  return 0;
}
