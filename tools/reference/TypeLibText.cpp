#include "TypeLibText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <sstream>

namespace reference {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

const char* KindName(MemberKind kind) {
  switch (kind) {
    case MemberKind::Method:
      return "method";
    case MemberKind::Get:
      return "get";
    case MemberKind::Put:
      return "put";
    case MemberKind::PutRef:
      return "putref";
    case MemberKind::Property:
      return "property";
  }
  return "";
}

// A Markdown heading anchor as GitHub makes it: lower case, blanks to "-", most
// punctuation dropped.
std::string Anchor(const std::string& heading) {
  std::string out;
  for (const char c : heading) {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    else if (c == ' ')
      out += '-';
  }
  return out;
}

// A table cell: "|" would end the cell, a line break the row.
std::string Cell(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '|')
      out += "\\|";
    else if (c == '\n' || c == '\r')
      out += ' ';
    else
      out += c;
  }
  return out;
}

std::string Hex(long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
  return text;
}

const Interface* FindInterface(const Library& library, const std::string& name) {
  for (const Interface& i : library.interfaces)
    if (i.name == name) return &i;
  return nullptr;
}

void MemberTable(std::ostringstream& page, const std::vector<const Member*>& members) {
  page << "| Member | Kind | DISPID | Syntax | Description |\n"
          "|---|---|---|---|---|\n";
  for (const Member* m : members)
    page << "| " << m->name << " | " << KindName(m->kind) << " | " << Hex(m->dispid) << " | `"
         << Syntax(*m) << "` | " << Cell(m->help) << " |\n";
}

// A default value as a script writes it: strings quoted, Booleans by name.
std::string DefaultText(const Parameter& p) {
  if (p.type == "String") return "\"" + p.defaultValue + "\"";
  if (p.type == "Boolean") return p.defaultValue == "0" ? "False" : "True";
  return p.defaultValue;
}

}  // namespace

std::vector<Group> ParseGroups(const std::string& text, std::string& error) {
  std::vector<Group> groups;
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      // 1. "[Interface] Title | sample" starts a group.
      const auto close = line.find(']');
      const auto bar = line.find('|');
      if (close == std::string::npos || bar == std::string::npos || bar < close) {
        error = "line " + std::to_string(number) + ": expected \"[Interface] Title | sample\"";
        return {};
      }
      Group g;
      g.interfaceName = Trim(line.substr(1, close - 1));
      g.title = Trim(line.substr(close + 1, bar - close - 1));
      g.sample = Trim(line.substr(bar + 1));
      if (g.sample == "-") g.sample.clear();
      if (g.interfaceName.empty() || g.title.empty()) {
        error = "line " + std::to_string(number) + ": a group needs an interface and a title";
        return {};
      }
      groups.push_back(std::move(g));
      continue;
    }
    // 2. Member names of the current group.
    if (groups.empty()) {
      error = "line " + std::to_string(number) + ": members before the first group";
      return {};
    }
    std::istringstream names(line);
    for (std::string name; names >> name;) groups.back().members.push_back(name);
  }
  return groups;
}

std::string Syntax(const Member& member) {
  std::string out = member.name;
  const bool put = member.kind == MemberKind::Put || member.kind == MemberKind::PutRef;
  // A property assignment takes its value on the right of "=": its last parameter.
  const std::size_t listed =
      put && !member.parameters.empty() ? member.parameters.size() - 1 : member.parameters.size();
  if (listed > 0 || member.kind == MemberKind::Method) {
    out += '(';
    for (std::size_t i = 0; i < listed; ++i) {
      const Parameter& p = member.parameters[i];
      if (i) out += ", ";
      std::string one = p.name + " As " + p.type;
      if (p.hasDefault) one += " = " + DefaultText(p);
      out += p.optional ? "[" + one + "]" : one;
    }
    out += ')';
  }
  if (put && !member.parameters.empty()) {
    const Parameter& value = member.parameters.back();
    out += (member.kind == MemberKind::PutRef ? " = (Set) " : " = ") + value.name + " As " +
           value.type;
  } else if (!member.returns.empty()) {
    out += " As " + member.returns;
  }
  return out;
}

std::string RenderPage(const Library& library, const std::vector<Group>& groups,
                       std::vector<std::string>& ungrouped) {
  std::ostringstream page;
  // 1. Title and the classes.
  page << "# Object model reference\n\n"
       << "<!-- Generated from the type library by tools/reference (make reference). Do not\n"
          "     edit: change the IDL or docs/reference-groups.txt and regenerate. -->\n\n"
       << "The type library \"" << library.help << "\" (`" << library.name << "`, version "
       << library.version
       << ") describes every class, interface, member and enumeration below. Scripts "
          "create a class with `CreateObject(\"KelMsgs.<Class>\")`; every member is callable "
          "late-bound (VBScript, JScript) and early-bound through the dual interface (VBA, "
          ".NET, C++). Members are grouped by what they do; each group links to a sample in "
          "`examples/`.\n\n"
       << "## Classes\n\n"
       << "| Class | ProgID | Interface | Events | Description |\n"
          "|---|---|---|---|---|\n";
  for (const CoClass& c : library.classes) {
    page << "| " << c.name << " | `KelMsgs." << c.name << "` | [" << c.interfaceName << "](#"
         << Anchor(c.interfaceName) << ") | ";
    if (!c.events.empty()) page << "[" << c.events << "](#" << Anchor(c.events) << ")";
    page << " | " << Cell(c.help) << " |\n";
  }
  // 2. Each interface in the order of its first group, then those without groups.
  std::vector<std::string> order;
  for (const Group& g : groups)
    if (std::find(order.begin(), order.end(), g.interfaceName) == order.end())
      order.push_back(g.interfaceName);
  for (const Interface& i : library.interfaces)
    if (std::find(order.begin(), order.end(), i.name) == order.end()) order.push_back(i.name);
  for (const std::string& name : order) {
    const Interface* i = FindInterface(library, name);
    if (!i) {
      ungrouped.push_back(name + " (not in the type library)");
      continue;
    }
    page << "\n## " << i->name << "\n\n";
    if (!i->help.empty()) page << Cell(i->help) << "\n\n";
    std::set<std::string> placed;
    for (const Group& g : groups) {
      if (g.interfaceName != name) continue;
      page << "### " << g.title << "\n\n";
      if (!g.sample.empty()) page << "Sample: [" << g.sample << "](../" << g.sample << ")\n\n";
      std::vector<const Member*> members;
      for (const std::string& wanted : g.members) {
        bool found = false;
        for (const Member& m : i->members) {
          if (m.name != wanted) continue;
          members.push_back(&m);
          found = true;
        }
        if (!found) ungrouped.push_back(name + "." + wanted + " (not in the type library)");
        placed.insert(wanted);
      }
      std::stable_sort(members.begin(), members.end(), [](const Member* a, const Member* b) {
        return a->dispid != b->dispid ? a->dispid < b->dispid : a->kind < b->kind;
      });
      MemberTable(page, members);
      page << "\n";
    }
    for (const Member& m : i->members)
      if (!placed.count(m.name) &&
          std::find(ungrouped.begin(), ungrouped.end(), name + "." + m.name) == ungrouped.end())
        ungrouped.push_back(name + "." + m.name);
  }
  // 3. The enumerations.
  page << "\n## Enumerations\n";
  for (const Enumeration& e : library.enums) {
    page << "\n### " << e.name << "\n\n";
    if (!e.help.empty()) page << Cell(e.help) << "\n\n";
    page << "| Name | Value | Description |\n|---|---|---|\n";
    for (const EnumValue& v : e.values)
      page << "| " << v.name << " | " << v.number << " | " << Cell(v.help) << " |\n";
  }
  return page.str();
}

}  // namespace reference
