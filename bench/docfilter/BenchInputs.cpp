#include "BenchInputs.h"

#include "ZipBuilder.h"

namespace bench {

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

}  // namespace bench
