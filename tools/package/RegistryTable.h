// The Registry table of a Windows Installer package, in the installer's text archive format
// (.idt): one row per registry value under HKEY_CLASSES_ROOT, and one "create the key" row
// for a key that holds no value and no subkey. Portable: tested natively.
#pragma once

#include <string>
#include <vector>

#include "frame/RegScript.h"

namespace package {

class RegistryTable {
 public:
  // component: the Component row the registry rows belong to.
  explicit RegistryTable(std::string component) : component_(std::move(component)) {}

  // Every key and value of a registration script; keys the script only names to reach
  // others (CLSID) bring no row of their own. False (nothing added) for a script that
  // writes outside HKEY_CLASSES_ROOT, which these packages do not install.
  bool AddScript(const kelmsgs::RegScript& script);
  // One string value; name "" for the key's default value.
  void AddValue(const std::string& key, const std::string& name, const std::string& value);

  std::string Text() const;

 private:
  struct Row {
    std::string key, name, value;
  };
  void AddKey(const std::string& parent, const kelmsgs::RegScriptKey& key);

  std::string component_;
  std::vector<Row> rows_;
};

}  // namespace package
