// Parser of the registration scripts stored in the module: a tree of keys under root
// keys, with default and named values, in this form:
//
//   HKCR
//   {
//     NoRemove CLSID
//     {
//       ForceRemove {guid} = s 'Name Class'
//       {
//         InprocServer32 = s '%MODULE%'
//         val Extra = d '5'
//       }
//     }
//   }
//
// Key flags: NoRemove (kept by unregistration), ForceRemove (deleted with its content
// before registration and by unregistration), Delete (deleted by registration).
// Value types: s (string), d (32-bit number). Names may be quoted with single quotes
// ('' inside quotes is one quote). %NAME% in a token is replaced from a table.
// Portable: no Windows header.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmsgs {

struct RegScriptValue {
  char type = 's';   // 's' or 'd'
  std::string text;  // the string, or the number as written
  std::uint32_t number = 0;
};

struct RegScriptKey {
  enum class Flag { None, NoRemove, ForceRemove, Delete };
  std::string name;
  Flag flag = Flag::None;
  std::optional<RegScriptValue> defaultValue;
  std::vector<std::pair<std::string, RegScriptValue>> values;  // named values ("val")
  std::vector<RegScriptKey> subkeys;
};

struct RegScriptRoot {
  std::string name;  // as written: HKCR, HKEY_CLASSES_ROOT, HKCU, ...
  std::vector<RegScriptKey> keys;
};

struct RegScript {
  std::vector<RegScriptRoot> roots;
};

// Parses text; replacements maps names such as "MODULE" to their text. On failure
// returns nothing and sets error to a short description with the offending token.
std::optional<RegScript> ParseRegScript(std::string_view text,
                                        const std::map<std::string, std::string>& replacements,
                                        std::string& error);

}  // namespace kelmsgs
