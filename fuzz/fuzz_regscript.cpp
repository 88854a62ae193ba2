// Registration scripts are parsed from module resources; whatever the text, the parser
// must return a tree or an error, never crash, hang or recurse without bound.
#include "frame/RegScript.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

namespace {

// Visits the whole tree so that every string and vector of it is read.
std::size_t Weigh(const kelmsgs::RegScriptKey& key, int depth) {
  if (depth > 64) std::abort();  // the parser's nesting limit let something through
  std::size_t n = key.name.size() + key.values.size();
  if (key.defaultValue) n += key.defaultValue->text.size();
  for (const auto& [name, value] : key.values) n += name.size() + value.text.size();
  for (const auto& sub : key.subkeys) n += Weigh(sub, depth + 1);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Replacement texts with the characters that matter to the syntax: quotes, blanks,
  // braces and percent signs must come through as plain text.
  static const std::map<std::string, std::string> kReplacements = {
      {"MODULE", "C:\\Program Files\\O'Brien\\KelMsgs.dll"},
      {"CLSID", "{6B1B7D6E-0C5D-4B43-9C41-52A2D7F1E001}"},
      {"ODD", "} { %MODULE% ''"},
  };
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto script = kelmsgs::ParseRegScript(text, kReplacements, error);
  if (script) {
    if (!error.empty()) std::abort();  // success leaves no error behind
    std::size_t n = 0;
    for (const auto& root : script->roots)
      for (const auto& key : root.keys) n += Weigh(key, 2);
    (void)n;
  } else if (error.empty()) {
    std::abort();  // a failure always says why
  }
  return 0;
}
