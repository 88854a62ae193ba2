// The registrar runs these scripts at registration time; a parse that silently drops or
// misplaces a key leaves a broken registration, and a malformed script must be refused
// with a message rather than crash the host process.
#include "frame/RegScript.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace kelmsgs;

namespace {

// The shape of the scripts the library's classes carry.
constexpr char kClassScript[] = R"(
HKCR
{
  KelMsgs.Session.1 = s 'Session Class'
  {
    CLSID = s '{6B1B7D6E-0C5D-4B43-9C41-52A2D7F1E001}'
  }
  NoRemove CLSID
  {
    ForceRemove {6B1B7D6E-0C5D-4B43-9C41-52A2D7F1E001} = s 'Session Class'
    {
      ProgID = s 'KelMsgs.Session.1'
      ForceRemove 'Programmable'
      InprocServer32 = s '%MODULE%'
      {
        val ThreadingModel = s 'Apartment'
      }
      'TypeLib' = s '{6B1B7D6E-0C5D-4B43-9C41-52A2D7F1E000}'
    }
  }
}
)";

// One line per key and named value, indented by depth, so a whole tree compares at once.
void Dump(const RegScriptKey& key, const std::string& indent, std::string& out) {
  static const char* const kFlags[] = {"", "NoRemove ", "ForceRemove ", "Delete "};
  out += indent + kFlags[static_cast<int>(key.flag)] + "<" + key.name + ">";
  if (key.defaultValue)
    out += " = " + std::string(1, key.defaultValue->type) + " <" + key.defaultValue->text + ">";
  out += "\n";
  for (const auto& [name, value] : key.values)
    out += indent + "  val <" + name + "> = " + value.type + " " + std::to_string(value.number) +
           " <" + value.text + ">\n";
  for (const auto& sub : key.subkeys) Dump(sub, indent + "  ", out);
}

std::string Dump(const RegScript& script) {
  std::string out;
  for (const auto& root : script.roots) {
    out += root.name + "\n";
    for (const auto& key : root.keys) Dump(key, "  ", out);
  }
  return out;
}

// The tree of a script that must parse, or the error when it does not.
std::string Tree(const std::string& text, const std::string& module = "C:\\KelMsgs\\KelMsgs.dll") {
  std::string error;
  const auto script = ParseRegScript(text, {{"MODULE", module}}, error);
  if (!script) return "error: " + error;
  EXPECT_TRUE(error.empty());
  return Dump(*script);
}

// The error of a script that must fail.
std::string ErrorOf(const std::string& text) {
  std::string error;
  EXPECT_FALSE(ParseRegScript(text, {{"MODULE", "m"}}, error)) << text;
  EXPECT_FALSE(error.empty()) << text;
  return error;
}

}  // namespace

// The class script gives the expected tree in script order, with flags and default
// values on the right keys and the named value on InprocServer32 only.
TEST(RegScript, ClassScriptGivesTheExpectedTree) {
  EXPECT_EQ(Tree(kClassScript),
            "HKCR\n"
            "  <KelMsgs.Session.1> = s <Session Class>\n"
            "    <CLSID> = s <{6B1B7D6E-0C5D-4B43-9C41-52A2D7F1E001}>\n"
            "  NoRemove <CLSID>\n"
            "    ForceRemove <{6B1B7D6E-0C5D-4B43-9C41-52A2D7F1E001}> = s <Session Class>\n"
            "      <ProgID> = s <KelMsgs.Session.1>\n"
            "      ForceRemove <Programmable>\n"
            "      <InprocServer32> = s <C:\\KelMsgs\\KelMsgs.dll>\n"
            "        val <ThreadingModel> = s 0 <Apartment>\n"
            "      <TypeLib> = s <{6B1B7D6E-0C5D-4B43-9C41-52A2D7F1E000}>\n");
}

// The module path is inserted as it is, after quotes are resolved: blanks and quotes
// in the path must neither split the token nor end the string.
TEST(RegScript, ModulePathWithQuoteAndBlanks) {
  const std::string module = "C:\\Program Files\\O'Brien's Tools\\KelMsgs.dll";
  EXPECT_NE(Tree(kClassScript, module).find("<InprocServer32> = s <" + module + ">\n"),
            std::string::npos);
}

// '' inside quotes is one quote; %% is a literal percent, also next to a replacement;
// keywords are not case-sensitive but quoted keywords are plain names; numbers are
// decimal or 0x hex and fill the whole 32 bits.
TEST(RegScript, QuotingPercentKeywordsAndNumbers) {
  EXPECT_EQ(Tree("HKLM { noremove 'It''s' = s '100%% %MODULE%%%' { 'NoRemove' = s '' "
                 "DELETE Old val 'Dec' = d '4294967295' val Hex = D '0x1F' } }",
                 "m"),
            "HKLM\n"
            "  NoRemove <It's> = s <100% m%>\n"
            "    val <Dec> = d 4294967295 <4294967295>\n"
            "    val <Hex> = d 31 <0x1F>\n"
            "    <NoRemove> = s <>\n"
            "    Delete <Old>\n");
}

// Several roots, an empty root and a blank script are all valid.
TEST(RegScript, SeveralRootsAndBlankScript) {
  EXPECT_EQ(Tree("HKCR { A } HKEY_CURRENT_USER { } HKCU { B { C } }"),
            "HKCR\n  <A>\nHKEY_CURRENT_USER\nHKCU\n  <B>\n    <C>\n");
  EXPECT_EQ(Tree(" \r\n\t "), "");
}

// Structural and value errors are refused with a message.
TEST(RegScript, MalformedScriptsFail) {
  for (const char* text : {
           "HKCR { CLSID { ForceRemove X = s 'x' }",  // missing closing brace
           "HKCR CLSID { }",                          // root without brace
           "HKCR { } }",                              // stray closing brace
           "{ A }",                                   // no root
           "HKCR { { } }",                            // block without key
           "HKCR { NoRemove }",                       // flag without name
           "HKCR { val Name = s 'v' }",               // named value at root level
           "HKCR { A { val = s 'v' } }",              // named value without a name
           "HKCR { A { val N s 'v' } }",              // named value without '='
           "HKCR { A = x 'v' }",                      // unknown value type
           "HKCR { A = s v }",                        // unquoted value
           "HKCR { A = s",                            // value missing
           "HKCR { A { val N = d 'five' } }",         // numbers that are not 32-bit
           "HKCR { A { val N = d '4294967296' } }",
           "HKCR { A { val N = d '-1' } }",
           "HKCR { A { val N = d '0x' } }",
           "HKCR { A { val N = d '' } }",
       })
    ErrorOf(text);
}

// A bad quote or replacement is reported as what it is, wherever it occurs: the
// registrar logs this text, and "at end of script" would point the reader elsewhere.
TEST(RegScript, QuoteAndReplacementErrorsNameTheProblem) {
  EXPECT_NE(ErrorOf("'HKCR { }").find("unterminated"), std::string::npos);
  EXPECT_NE(ErrorOf("HKCR { A = s 'v }").find("unterminated"), std::string::npos);
  EXPECT_NE(ErrorOf("HKCR { A = s '%MODULE' }").find("unterminated"), std::string::npos);
  EXPECT_NE(ErrorOf("%UNKNOWN% { }").find("UNKNOWN"), std::string::npos);
  EXPECT_NE(ErrorOf("HKCR { A = s '%UNKNOWN%' }").find("UNKNOWN"), std::string::npos);
}

// Blocks may nest 64 deep, the root's block included; deeper scripts are refused long
// before the recursion could exhaust the stack.
TEST(RegScript, NestingDepthIsLimited) {
  const auto nested = [](int depth) {
    std::string text = "HKCR {";
    for (int i = 0; i < depth; ++i) text += " K" + std::to_string(i) + " {";
    for (int i = 0; i <= depth; ++i) text += " }";
    return text;
  };
  EXPECT_EQ(Tree(nested(63)).rfind("error", 0), std::string::npos);
  EXPECT_NE(ErrorOf(nested(64)).find("deep"), std::string::npos);
  ErrorOf(nested(100));
  ErrorOf(nested(100000));
}
