#include "utilities/ClipboardFormatChoice.h"

namespace kelmsgs {

namespace {

constexpr unsigned kText = 1;
constexpr unsigned kUnicodeText = 13;

struct FormatName {
  unsigned format;
  std::string_view name;
};

// Looked up in this order; the first match wins.
constexpr FormatName kStandardNames[] = {
    {2, "CF_BITMAP"},
    {8, "CF_DIB"},
    {17, "CF_DIBV5"},
    {5, "CF_DIF"},
    {130, "CF_DSPBITMAP"},
    {142, "CF_DSPENHMETAFILE"},
    {131, "CF_DSPMETAFILEPICT"},
    {129, "CF_DSPTEXT"},
    {14, "CF_ENHMETAFILE"},
    {768, "CF_GDIOBJFIRST"},
    {15, "CF_HDROP"},
    {16, "CF_LOCALE"},
    {3, "CF_METAFILEPICT"},
    {7, "CF_OEMTEXT"},
    {128, "CF_OWNERDISPLAY"},
    {9, "CF_PALETTE"},
    {10, "CF_PENDATA"},
    {512, "CF_PRIVATEFIRST"},
    {11, "CF_RIFF"},
    {4, "CF_SYLK"},
    {1, "CF_TEXT"},
    {12, "CF_WAVE"},
    {6, "CF_TIFF"},
    {13, "CF_UNICODETEXT"},
};

}  // namespace

ClipboardData ChooseClipboardData(unsigned format, std::string_view name) {
  if (format == kText) return ClipboardData::Text;
  if (format == kUnicodeText) return ClipboardData::Unicode;
  if (name.find("HTML") != std::string_view::npos) return ClipboardData::Html;
  if (name.find("Rich") != std::string_view::npos) return ClipboardData::Rich;
  return ClipboardData::None;
}

std::string_view StandardClipboardFormatName(unsigned format) {
  for (const auto& entry : kStandardNames)
    if (entry.format == format) return entry.name;
  return "Unknown format";
}

}  // namespace kelmsgs
