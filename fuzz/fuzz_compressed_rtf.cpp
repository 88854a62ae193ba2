// Compressed RTF and RTF text from untrusted bytes: decoding must never read past its
// input, and whatever decodes must compress and decode back to itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CompressedRtf.h"
#include "RtfText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mapistandin;
  // The input as a compressed body (exact-size copy, so ASan sees any over-read).
  std::vector<std::uint8_t> input(data, data + size);
  std::vector<std::uint8_t> raw;
  DecompressRtf(input.data(), input.size(), raw, 1u << 20);
  // The input as raw RTF: its text, and an exact round trip through compression.
  const std::string text(reinterpret_cast<const char*>(data), size);
  RtfToPlainText(text);
  SignatureOf(text);
  const auto compressed = CompressRtf(text);
  std::vector<std::uint8_t> back;
  if (DecompressRtf(compressed.data(), compressed.size(), back) != RtfStatus::Ok ||
      std::string(back.begin(), back.end()) != text)
    __builtin_trap();
  return 0;
}
