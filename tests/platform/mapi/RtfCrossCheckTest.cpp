// Writes RTF through WrapCompressedRTFStream onto saved messages and dumps, for each case,
// the stored PR_RTF_COMPRESSED bytes (N.bin) and the RTF that went in (N.rtf), so that an
// independent decoder can check them (tests/platform/mapi/rtf_crosscheck.sh). Runs only
// when KELMSGS_RTF_DUMP_DIR names the directory to write to.
#include <cstdlib>
#include <fstream>
#include <random>

#include "StandinTest.h"

namespace standin_test {
namespace {

class RtfCrossCheck : public StandinTest {};

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

std::string Repeated(std::size_t n) {
  std::string s = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  while (s.size() < n) s += "The quick brown fox jumps over the lazy dog.\\par ";
  return s + "}";
}

TEST_F(RtfCrossCheck, StoredCompressedRtfForAnIndependentDecoder) {
  const char* out = std::getenv("KELMSGS_RTF_DUMP_DIR");
  if (!out || !*out) GTEST_SKIP() << "KELMSGS_RTF_DUMP_DIR is not set";
  Load(kSmallProfile);
  Logon();
  // The archive keeps RTF compressed (the mailbox of this profile stores it uncompressed).
  Ref<IMsgStore> archive = OpenStore("Archive");
  ASSERT_TRUE(archive);
  Ref<IMAPIFolder> folder = TopFolder(archive.get(), "2019");
  ASSERT_TRUE(folder);
  const std::string cases[] = {
      "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n",
      "",
      "{\\rtf1 x}",
      Repeated(10 * 1024),
      RandomBytes(5000, 7),
      Repeated(1024 * 1024),
      RandomBytes(70000, 11) + Repeated(3000),
  };
  int n = 0;
  for (const std::string& rtf : cases) {
    Ref<IMessage> m;
    ASSERT_EQ(folder->CreateMessage(nullptr, 0, m.put()), S_OK);
    Ref<IStream> compressed, wrapped;
    ASSERT_EQ(m->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY,
                              reinterpret_cast<LPUNKNOWN*>(compressed.put())),
              S_OK);
    ASSERT_EQ(WrapCompressedRTFStream(compressed.get(), MAPI_MODIFY, wrapped.put()), S_OK);
    ULONG written = 0;
    ASSERT_EQ(wrapped->Write(rtf.data(), static_cast<ULONG>(rtf.size()), &written), S_OK);
    ASSERT_EQ(wrapped->Commit(0), S_OK);
    wrapped.reset();
    compressed.reset();
    ASSERT_EQ(m->SaveChanges(0), S_OK);
    // What the store now holds, read back through a fresh open of the message.
    Ref<IMessage> again;
    ASSERT_EQ(OpenId(folder.get(), BinaryProp(m.get(), PR_ENTRYID), again.put(), 0), S_OK);
    Ref<IStream> stored;
    ASSERT_EQ(again->OpenProperty(PR_RTF_COMPRESSED, &IID_IStream, 0, 0,
                                  reinterpret_cast<LPUNKNOWN*>(stored.put())),
              S_OK);
    std::string bytes;
    char buffer[65536];
    ULONG got = 0;
    while (SUCCEEDED(stored->Read(buffer, sizeof buffer, &got)) && got) bytes.append(buffer, got);
    const std::string base = std::string(out) + "\\" + std::to_string(n++);
    std::ofstream(base + ".bin", std::ios::binary) << bytes;
    std::ofstream(base + ".rtf", std::ios::binary) << rtf;
  }
}

}  // namespace
}  // namespace standin_test
