// The installer's Registry table made from registration scripts: every value becomes a row,
// a key holding nothing gets a row that creates it, and scripts outside HKCR are refused.
#include "RegistryTable.h"

#include <gtest/gtest.h>

#include "frame/RegScript.h"

using namespace kelmsgs;

namespace {

RegScript Parse(const char* text) {
  std::string error;
  auto script = ParseRegScript(text, {{"MODULE", "[#KelMsgsDll]"}}, error);
  EXPECT_TRUE(script) << error;
  return script ? *script : RegScript{};
}

}  // namespace

TEST(RegistryTable, ValuesKeysAndTheModule) {
  package::RegistryTable table("KelMsgsDll");
  ASSERT_TRUE(table.AddScript(
      Parse("HKCR\n{\n NoRemove CLSID\n {\n  ForceRemove {1} = s 'Thing'\n  {\n"
            "   ForceRemove 'Programmable'\n   InprocServer32 = s '%MODULE%'\n   {\n"
            "    val ThreadingModel = s 'Both'\n   }\n   Count = d '7'\n  }\n }\n}\n")));
  const std::string text = table.Text();
  EXPECT_EQ(
      text.rfind("Registry\tRoot\tKey\tName\tValue\tComponent_\r\ns72\ti2\tl255\tL255\tL0\ts72\r\n"
                 "Registry\tRegistry\r\n",
                 0),
      0u);
  EXPECT_NE(text.find("reg0001\t0\tCLSID\\{1}\t\tThing\tKelMsgsDll\r\n"), std::string::npos);
  EXPECT_NE(text.find("\tCLSID\\{1}\\Programmable\t*\t\tKelMsgsDll\r\n"), std::string::npos);
  EXPECT_NE(text.find("\tCLSID\\{1}\\InprocServer32\t\t[#KelMsgsDll]\tKelMsgsDll\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\tCLSID\\{1}\\InprocServer32\tThreadingModel\tBoth\t"), std::string::npos);
  EXPECT_NE(text.find("\tCLSID\\{1}\\Count\t\t#7\t"), std::string::npos);
  // CLSID itself only leads to the class: no row of its own.
  EXPECT_EQ(text.find("\tCLSID\t"), std::string::npos);
}

TEST(RegistryTable, ScriptsOutsideClassesRootAreRefused) {
  package::RegistryTable table("KelMsgsDll");
  EXPECT_FALSE(table.AddScript(Parse("HKCU\n{\n Software\n {\n  Key = s 'x'\n }\n}\n")));
  EXPECT_EQ(table.Text().find("reg0001"), std::string::npos);
}
