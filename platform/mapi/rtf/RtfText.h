// Conversions between RTF and plain text that keep a message's two body forms in step,
// and the signature of a plain body by which the store notices that it changed.
// Portable: no Windows header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mapistandin {

// The text of an RTF document: control words, destinations that hold no body text (font,
// colour and style tables, document information, pictures, "\*" groups) and group braces
// are dropped; \par and \line become CR LF, \tab a tab, \'hh and \uN characters (the latter
// as '?' outside Latin-1, with their fallback skipped). Nesting deeper than a limit is
// treated as text-free rather than followed.
std::string RtfToPlainText(std::string_view rtf);

// A minimal RTF document holding text: special characters escaped, characters above 0x7F
// as \'hh, CR LF / LF as \par.
std::string PlainTextToRtf(std::string_view text);

// What identifies a plain body: the characters that count (white space does not), their
// checksum and number, and the first of them.
struct BodySignature {
  std::uint32_t crc = 0;
  std::uint32_t count = 0;
  std::string tag;  // the first kSignatureTagLength significant characters
};
constexpr std::size_t kSignatureTagLength = 32;

BodySignature SignatureOf(std::string_view plain);

}  // namespace mapistandin
