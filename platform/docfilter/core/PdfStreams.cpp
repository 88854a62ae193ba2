#include "PdfStreams.h"

#include <cstdint>

#include "Inflater.h"

namespace docfilter {

namespace {

bool Contains(std::string_view text, std::string_view what) {
  return text.find(what) != std::string_view::npos;
}

// The names of the /Filter entry, in order ("/FlateDecode" or "[/A85 /FlateDecode]").
std::vector<std::string_view> Filters(std::string_view dictionary) {
  std::vector<std::string_view> names;
  const std::size_t at = dictionary.find("/Filter");
  if (at == std::string_view::npos) return names;
  std::size_t pos = at + 7;
  while (pos < dictionary.size() && (dictionary[pos] == ' ' || dictionary[pos] == '\r' ||
                                     dictionary[pos] == '\n' || dictionary[pos] == '\t'))
    ++pos;
  const bool array = pos < dictionary.size() && dictionary[pos] == '[';
  const std::size_t end = array ? dictionary.find(']', pos) : dictionary.size();
  while (pos < dictionary.size() && pos < end) {
    const std::size_t slash = dictionary.find('/', pos);
    if (slash == std::string_view::npos || slash >= end) break;
    std::size_t stop = slash + 1;
    while (stop < dictionary.size() &&
           std::string_view(" \t\r\n/[]<>()").find(dictionary[stop]) == std::string_view::npos)
      ++stop;
    names.push_back(dictionary.substr(slash + 1, stop - slash - 1));
    pos = stop;
    if (!array) break;
  }
  return names;
}

}  // namespace

std::vector<PdfStream> FindPdfStreams(std::string_view file) {
  std::vector<PdfStream> streams;
  std::size_t pos = 0;
  while ((pos = file.find("stream", pos)) != std::string_view::npos) {
    // 1. "stream" right after a dictionary's ">>" and before an end of line.
    std::size_t before = pos;
    while (before > 0 && (file[before - 1] == ' ' || file[before - 1] == '\r' ||
                          file[before - 1] == '\n' || file[before - 1] == '\t'))
      --before;
    std::size_t start = pos + 6;
    if (before < 2 || file.substr(before - 2, 2) != ">>" || start >= file.size() ||
        (file[start] != '\r' && file[start] != '\n')) {
      pos += 6;
      continue;
    }
    if (file[start] == '\r') ++start;
    if (start < file.size() && file[start] == '\n') ++start;

    // 2. The dictionary starts at the "obj" keyword before it (or the last 4 KiB).
    const std::size_t lowest = before > 4096 ? before - 4096 : 0;
    std::size_t dictStart = file.rfind("obj", before);
    if (dictStart == std::string_view::npos || dictStart < lowest) dictStart = lowest;
    const std::string_view dictionary = file.substr(dictStart, before - dictStart);

    // 3. The data runs to "endstream" (lengths may be indirect and are not needed).
    std::size_t end = file.find("endstream", start);
    const std::size_t next = end == std::string_view::npos ? file.size() : end + 9;
    if (end == std::string_view::npos) end = file.size();
    std::size_t dataEnd = end;
    if (dataEnd > start && file[dataEnd - 1] == '\n') --dataEnd;
    if (dataEnd > start && file[dataEnd - 1] == '\r') --dataEnd;
    streams.push_back(PdfStream{dictionary, file.substr(start, dataEnd - start)});
    pos = next;
  }
  return streams;
}

bool MayHoldContent(std::string_view d) {
  for (std::string_view no :
       {"/Image", "/Length1", "/Length2", "/Length3", "/ObjStm", "/XRef", "/Metadata", "/FontFile",
        "/Type1C", "/CIDFontType0C", "/OpenType", "/EmbeddedFile", "/ICCBased", "/N 3", "/N 4"})
    if (Contains(d, no)) return false;
  return true;
}

std::string DecodeAscii85(std::string_view text) {
  std::string out;
  std::uint64_t tuple = 0;
  int count = 0;
  for (char c : text) {
    if (c == '~') break;
    if (c == 'z' && count == 0) {
      out.append(4, '\0');
      continue;
    }
    if (c < '!' || c > 'u') continue;
    tuple = tuple * 85 + static_cast<std::uint64_t>(c - '!');
    if (++count == 5) {
      for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(tuple >> shift));
      tuple = 0;
      count = 0;
    }
  }
  if (count > 1) {
    for (int i = count; i < 5; ++i) tuple = tuple * 85 + 84;
    for (int i = 0; i < count - 1; ++i) out.push_back(static_cast<char>(tuple >> (24 - 8 * i)));
  }
  return out;
}

std::string DecodeAsciiHex(std::string_view text) {
  std::string out;
  int high = -1;
  for (char c : text) {
    if (c == '>') break;
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<char>(high * 16 + v));
      high = -1;
    }
  }
  if (high >= 0) out.push_back(static_cast<char>(high * 16));
  return out;
}

std::optional<std::string> DecodePdfStream(const PdfStream& stream, std::size_t limit) {
  std::string data(stream.data.substr(0, std::min(stream.data.size(), limit)));
  for (std::string_view filter : Filters(stream.dictionary)) {
    if (filter == "FlateDecode" || filter == "Fl")
      data = Inflate(data, DeflateWrapper::Zlib, limit).data;
    else if (filter == "ASCII85Decode" || filter == "A85")
      data = DecodeAscii85(data);
    else if (filter == "ASCIIHexDecode" || filter == "AHx")
      data = DecodeAsciiHex(data);
    else
      return std::nullopt;
  }
  return data;
}

}  // namespace docfilter
