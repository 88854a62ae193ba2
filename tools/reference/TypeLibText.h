// The object-model reference page, built from what the type library says: its classes,
// interfaces with their members, and enumerations. No Windows header, so the page layout
// is tested natively.
#pragma once

#include <string>
#include <vector>

namespace reference {

enum class MemberKind { Method, Get, Put, PutRef, Property };

struct Parameter {
  std::string name, type, defaultValue;
  bool optional = false, hasDefault = false;
};

struct Member {
  std::string name, help, returns;
  long dispid = 0;
  MemberKind kind = MemberKind::Method;
  std::vector<Parameter> parameters;
};

struct Interface {
  std::string name, help;
  std::vector<Member> members;
};

struct CoClass {
  std::string name, help, interfaceName, events;
};

struct EnumValue {
  std::string name, help;
  long number = 0;
};

struct Enumeration {
  std::string name, help;
  std::vector<EnumValue> values;
};

struct Library {
  std::string name, help, version;
  std::vector<CoClass> classes;
  std::vector<Interface> interfaces;
  std::vector<Enumeration> enums;
};

// One group of an interface's members, with the sample that shows them (a path relative
// to the repository root, empty for none).
struct Group {
  std::string interfaceName, title, sample;
  std::vector<std::string> members;
};

// The groups file: "[Interface] Title | sample" (sample "-" for none) starts a group; the
// lines after it name its members, separated by blanks; "#" starts a comment line. On a
// malformed file, error says what is wrong and the result is empty.
std::vector<Group> ParseGroups(const std::string& text, std::string& error);

// The Visual Basic-style call syntax of a member: "Name(A As String, [B As Long = 0]) As T".
std::string Syntax(const Member& member);

// The whole page. Members of the library's interfaces that no group names are listed in
// `ungrouped` as "Interface.Member"; a group naming a member that the interface lacks is
// listed there too, as "Interface.Member (not in the type library)".
std::string RenderPage(const Library& library, const std::vector<Group>& groups,
                       std::vector<std::string>& ungrouped);

}  // namespace reference
