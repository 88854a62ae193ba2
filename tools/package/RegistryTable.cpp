#include "RegistryTable.h"

#include <cstdio>

namespace package {

namespace {

// Text archive cells cannot hold tabs or line breaks; registry text of ours has none.
std::string Cell(const std::string& text) {
  std::string out;
  for (const char c : text) out += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
  return out;
}

}  // namespace

bool RegistryTable::AddScript(const kelmsgs::RegScript& script) {
  for (const auto& root : script.roots)
    if (root.name != "HKCR" && root.name != "HKEY_CLASSES_ROOT") return false;
  for (const auto& root : script.roots)
    for (const auto& key : root.keys) AddKey("", key);
  return true;
}

void RegistryTable::AddKey(const std::string& parent, const kelmsgs::RegScriptKey& key) {
  if (key.flag == kelmsgs::RegScriptKey::Flag::Delete) return;
  const std::string path = parent.empty() ? key.name : parent + "\\" + key.name;
  // 1. The key's values: the default one, then the named ones; a DWORD as "#n".
  const auto text = [](const kelmsgs::RegScriptValue& v) {
    return v.type == 'd' ? "#" + std::to_string(v.number) : v.text;
  };
  if (key.defaultValue) rows_.push_back({path, "", text(*key.defaultValue)});
  for (const auto& [name, value] : key.values) rows_.push_back({path, name, text(value)});
  // 2. A key with nothing in it is created (and removed again on uninstall) by itself.
  if (!key.defaultValue && key.values.empty() && key.subkeys.empty())
    rows_.push_back({path, "*", ""});
  for (const auto& sub : key.subkeys) AddKey(path, sub);
}

void RegistryTable::AddValue(const std::string& key, const std::string& name,
                             const std::string& value) {
  rows_.push_back({key, name, value});
}

std::string RegistryTable::Text() const {
  // The three header lines: column names, column types, then the table name and its key.
  std::string out =
      "Registry\tRoot\tKey\tName\tValue\tComponent_\r\n"
      "s72\ti2\tl255\tL255\tL0\ts72\r\n"
      "Registry\tRegistry\r\n";
  int n = 0;
  for (const Row& row : rows_) {
    char id[16];
    std::snprintf(id, sizeof id, "reg%04d", ++n);
    // Root 0: HKEY_CLASSES_ROOT, where every row of ours goes.
    out += std::string(id) + "\t0\t" + Cell(row.key) + "\t" + Cell(row.name) + "\t" +
           Cell(row.value) + "\t" + component_ + "\r\n";
  }
  return out;
}

}  // namespace package
