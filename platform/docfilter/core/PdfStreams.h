// The streams of a PDF file found by scanning for "stream" ... "endstream", with their
// dictionaries, and the filters that decode them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace docfilter {

struct PdfStream {
  std::string_view dictionary;  // the text between "<<" and ">>" before the stream
  std::string_view data;        // the raw bytes
};

// The streams in file order.
std::vector<PdfStream> FindPdfStreams(std::string_view file);

// Whether the dictionary describes a page content stream candidate (not an image, font
// file, object stream, cross-reference stream or metadata).
bool MayHoldContent(std::string_view dictionary);

// The stream data with its filters undone, at most limit bytes; nullopt when a filter
// is not supported.
std::optional<std::string> DecodePdfStream(const PdfStream& stream, std::size_t limit);

std::string DecodeAscii85(std::string_view text);
std::string DecodeAsciiHex(std::string_view text);

}  // namespace docfilter
