#include "forms/FormConfig.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>

namespace mapistandin {

namespace {

// Section and key names compare without regard to case, as in initialization files.
std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

using Section = std::map<std::string, std::string>;
using Sections = std::map<std::string, Section>;

bool ReadFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  bytes = all.str();
  return !in.bad();
}

bool ParseSections(const std::string& text, Sections& sections, std::string& error) {
  std::istringstream lines(text);
  std::string line, current;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) {
        error = "Bad section name on line " + std::to_string(number) + ".";
        return false;
      }
      current = Lower(Trim(line.substr(1, line.size() - 2)));
      sections[current];
      continue;
    }
    const auto equals = line.find('=');
    if (current.empty() || equals == std::string::npos || equals == 0) {
      error = "Line " + std::to_string(number) + " is no entry of a section.";
      return false;
    }
    sections[current][Lower(Trim(line.substr(0, equals)))] = Trim(line.substr(equals + 1));
  }
  return true;
}

const std::string* Entry(const Sections& sections, const std::string& section,
                         const std::string& key) {
  const auto s = sections.find(section);
  if (s == sections.end()) return nullptr;
  const auto k = s->second.find(key);
  return k == s->second.end() ? nullptr : &k->second;
}

bool IsGuid(const std::string& text) {
  static const char kShape[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
  if (text.size() != sizeof kShape - 1) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (kShape[i] == 'X' ? !std::isxdigit(static_cast<unsigned char>(text[i]))
                         : text[i] != kShape[i])
      return false;
  return true;
}

bool IsInteger(const std::string& text) {
  if (text.empty()) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (text.size() > 2 && text.compare(0, 2, "0x") == 0) i = 2;
  return i < text.size() &&
         std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i), text.end(),
                     [&](unsigned char c) { return i == 2 ? std::isxdigit(c) : std::isdigit(c); });
}

std::string Directory(const std::string& path) {
  const auto slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsAbsolute(const std::string& path) {
  return (path.size() > 1 && path[1] == ':') ||
         (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// An icon file: read whole, and an icon resource it must be.
bool ReadIcon(const std::string& cfgPath, const std::string& name, std::string& bytes,
              std::string& error) {
  const std::string path = IsAbsolute(name) ? name : Directory(cfgPath) + name;
  if (!ReadFile(path, bytes)) {
    error = "The icon file " + name + " cannot be read.";
    return false;
  }
  if (bytes.size() < 6 || bytes.compare(0, 4, std::string("\0\0\1\0", 4)) != 0) {
    error = "The icon file " + name + " holds no icon.";
    return false;
  }
  return true;
}

// Every entry of a list section names a section "<prefix>.<value>" that must exist and
// carry the required keys.
bool CheckList(const Sections& sections, const std::string& list, const std::string& prefix,
               std::initializer_list<const char*> required, int& count, std::string& error) {
  count = 0;
  const auto s = sections.find(list);
  if (s == sections.end()) return true;
  for (const auto& [key, value] : s->second) {
    const std::string named = prefix + "." + Lower(value);
    if (!sections.count(named)) {
      error = "The section [" + prefix + "." + value + "] is missing.";
      return false;
    }
    for (const char* need : required) {
      const std::string* v = Entry(sections, named, need);
      if (!v || v->empty()) {
        error = "The section [" + prefix + "." + value + "] has no " + need + ".";
        return false;
      }
    }
    ++count;
  }
  return true;
}

void PutField(std::string& out, const std::string& field) {
  const auto size = static_cast<std::uint32_t>(field.size());
  for (int i = 0; i < 4; ++i) out += static_cast<char>((size >> (8 * i)) & 0xFF);
  out += field;
}

bool TakeField(const std::string& data, size_t& offset, std::string& field) {
  if (data.size() - offset < 4) return false;
  std::uint32_t size = 0;
  for (int i = 0; i < 4; ++i)
    size |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[offset + i])) << (8 * i);
  offset += 4;
  if (data.size() - offset < size) return false;
  field = data.substr(offset, size);
  offset += size;
  return true;
}

}  // namespace

bool ReadFormConfig(const std::string& path, FormDescription& form, std::string& error) {
  // 1. The file.
  std::string text;
  if (!ReadFile(path, text)) {
    error = "The form configuration file " + path + " cannot be found or read.";
    return false;
  }
  // 2. Its sections.
  Sections sections;
  if (!ParseSections(text, sections, error)) return false;
  // 3. The description.
  const std::string* messageClass = Entry(sections, "description", "messageclass");
  const std::string* displayName = Entry(sections, "description", "displayname");
  if (!messageClass || messageClass->empty() || !displayName || displayName->empty()) {
    error = "The [Description] section names no MessageClass or DisplayName.";
    return false;
  }
  FormDescription read;
  read.messageClass = *messageClass;
  read.displayName = *displayName;
  if (const std::string* clsid = Entry(sections, "description", "clsid")) {
    if (!IsGuid(*clsid)) {
      error = "The CLSID " + *clsid + " is no class identifier.";
      return false;
    }
    read.clsid = *clsid;
  }
  if (const std::string* version = Entry(sections, "description", "version"))
    read.version = *version;
  // 4. The icons it names.
  if (const std::string* icon = Entry(sections, "description", "smallicon"))
    if (!ReadIcon(path, *icon, read.smallIcon, error)) return false;
  if (const std::string* icon = Entry(sections, "description", "largeicon"))
    if (!ReadIcon(path, *icon, read.largeIcon, error)) return false;
  // 5. Platforms, properties and verbs, each with its own section.
  int platforms = 0, properties = 0;
  if (!CheckList(sections, "platforms", "platform", {"cpu"}, platforms, error) ||
      !CheckList(sections, "properties", "property", {"type"}, properties, error) ||
      !CheckList(sections, "verbs", "verb", {"displayname", "code"}, read.verbCount, error))
    return false;
  if (const auto verbs = sections.find("verbs"); verbs != sections.end())
    for (const auto& [key, value] : verbs->second)
      if (!IsInteger(*Entry(sections, "verb." + Lower(value), "code"))) {
        error = "The verb " + value + " has no numeric Code.";
        return false;
      }
  form = std::move(read);
  return true;
}

std::string PackForm(const FormDescription& form) {
  std::string out;
  for (const std::string* field : {&form.messageClass, &form.displayName, &form.clsid,
                                   &form.version, &form.smallIcon, &form.largeIcon})
    PutField(out, *field);
  PutField(out, std::to_string(form.verbCount));
  return out;
}

bool UnpackForm(const std::string& data, size_t& offset, FormDescription& form) {
  std::string verbs;
  for (std::string* field : {&form.messageClass, &form.displayName, &form.clsid, &form.version,
                             &form.smallIcon, &form.largeIcon})
    if (!TakeField(data, offset, *field)) return false;
  if (!TakeField(data, offset, verbs)) return false;
  form.verbCount = std::atoi(verbs.c_str());
  return true;
}

}  // namespace mapistandin
