// AddAttachments and CreateAttachments between messages of the store.
#include "session/MessageFileFixture.h"

#include <fstream>

using kelmsgs::ComPtr;
using kelmsgs::CQMXSession;

namespace {

class AttachmentTransferTest : public MessageFileTest {
 protected:
  // A file in the fixture's directory with that content; its full path.
  std::string WriteFile(const std::string& name, const std::string& content) {
    const std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  static std::string StringOf(IMAPIProp* object, ULONG tag) {
    kelmsgs::PropValues v;
    if (FAILED(HrGetOneProp(object, tag, v.put()))) return "<missing>";
    return PROP_TYPE(tag) == PT_STRING8 ? v.get()->Value.lpszA : std::to_string(v.get()->Value.l);
  }
  static ComPtr<IAttach> Open(IMessage* message, const std::string& name) {
    ComPtr<IAttach> attach;
    const auto numbers = AttachmentNumbers(message);
    if (numbers.count(name)) {
      EXPECT_EQ(message->OpenAttach(numbers.at(name), nullptr, 0, attach.put()), S_OK);
    }
    return attach;
  }
};

TEST_F(AttachmentTransferTest, AttachmentsAreRecreatedWithTheirNamesAndOnlyKnownMethodsCarryData) {
  SourceMessage source = NewMessage("source");
  // An attachment whose method was never set reads as NO_ATTACHMENT: recreated, no data.
  source.Attach(0, "nomethod.txt", "not copied").Attach(ATTACH_BY_VALUE, "kept.txt", "kept");
  source.Save();
  SourceMessage target = NewMessage("target");
  EXPECT_EQ(session_->AddAttachments(nullptr, target.get()), E_INVALIDARG);
  EXPECT_EQ(session_->AddAttachments(source.get(), nullptr), E_INVALIDARG);
  ASSERT_EQ(session_->AddAttachments(source.get(), target.get()), S_OK);
  ASSERT_EQ(AttachmentNumbers(target.get()).size(), 2u);
  ComPtr<IAttach> kept = Open(target.get(), "kept.txt");
  ASSERT_TRUE(kept);
  EXPECT_EQ(ReadData(kept.get(), PR_ATTACH_DATA_BIN), "kept");
  EXPECT_EQ(StringOf(kept.get(), PR_ATTACH_LONG_PATHNAME_A), "C:\\outbox\\kept.txt");
  EXPECT_EQ(StringOf(kept.get(), PR_ATTACH_METHOD), std::to_string(ATTACH_BY_VALUE));
  ComPtr<IAttach> none = Open(target.get(), "nomethod.txt");
  ASSERT_TRUE(none);
  EXPECT_EQ(StringOf(none.get(), PR_ATTACH_METHOD), std::to_string(NO_ATTACHMENT));
  EXPECT_EQ(ReadData(none.get(), PR_ATTACH_DATA_BIN), "<none>");
}

TEST_F(AttachmentTransferTest, RowWithoutMethodLeavesNoAttachment) {
  SourceMessage source = NewMessage("source");
  source.Attach(ATTACH_BY_VALUE, "kept.txt", "kept");
  {
    // A method stored as text: the table's PR_ATTACH_METHOD column has no value for it.
    ComPtr<IAttach> odd;
    ULONG num = 0;
    ASSERT_EQ(source.get()->CreateAttach(nullptr, 0, &num, odd.put()), S_OK);
    SPropValue v[2] = {};
    v[0].ulPropTag = PROP_TAG(PT_STRING8, PROP_ID(PR_ATTACH_METHOD));
    v[0].Value.lpszA = const_cast<LPSTR>("1");
    v[1].ulPropTag = PR_DISPLAY_NAME_A;
    v[1].Value.lpszA = const_cast<LPSTR>("odd.txt");
    ASSERT_EQ(odd->SetProps(2, v, nullptr), S_OK);
    ASSERT_EQ(odd->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  }
  source.Save();
  SourceMessage target = NewMessage("target");
  standin::ClearJournal();
  ASSERT_EQ(session_->AddAttachments(source.get(), target.get()), S_OK);
  // Both rows got a new attachment; only the one with a method was saved.
  EXPECT_EQ(standin::Journal("IMessage::CreateAttach").size(), 2u);
  EXPECT_EQ(standin::Journal("IAttach::SaveChanges").size(), 1u);
  const auto numbers = AttachmentNumbers(target.get());
  ASSERT_EQ(numbers.size(), 1u);
  EXPECT_EQ(numbers.count("kept.txt"), 1u);
}

TEST_F(AttachmentTransferTest, FailedEmbeddedCopyEndsTheWalkAndKeepsWhatWasSaved) {
  SourceMessage source = FullMessage();
  SourceMessage target = NewMessage("target");
  MapiFixture::SetFault("CopyTo", MAPI_E_DISK_ERROR);
  EXPECT_EQ(session_->AddAttachments(source.get(), target.get()), MAPI_E_DISK_ERROR);
  MapiFixture::ClearFaults();
  const auto numbers = AttachmentNumbers(target.get());
  EXPECT_EQ(numbers.size(), 2u);
  EXPECT_EQ(numbers.count("notes.txt"), 1u);
  EXPECT_EQ(numbers.count("drawing.bin"), 1u);
}

TEST_F(AttachmentTransferTest, LargeAttachmentIsCopiedInBufferSizedReads) {
  const std::size_t size = 20u << 20;
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7919) >> 8);
  SourceMessage source = NewMessage("large");
  source.Attach(ATTACH_BY_VALUE, "large.bin", data);
  source.Save();
  SourceMessage target = NewMessage("target");
  standin::ClearCalls();
  ASSERT_EQ(session_->AddAttachments(source.get(), target.get()), S_OK);
  // 321 reads of at most 65535 bytes carry the data, one more finds its end; each read is
  // written before the next: the data is never gathered in one piece.
  const ULONG chunks = static_cast<ULONG>((size + 65534) / 65535);
  EXPECT_EQ(standin::Calls("IStream::Read"), chunks + 1);
  EXPECT_EQ(standin::Calls("IStream::Write"), chunks);
  ComPtr<IAttach> copy = Open(target.get(), "large.bin");
  ASSERT_TRUE(copy);
  EXPECT_TRUE(ReadData(copy.get(), PR_ATTACH_DATA_BIN) == data);
}

// A walk re-entered from its own message pump (another session copying on this thread
// while the first one waits between a read and its write) keeps its own bytes.
TEST_F(AttachmentTransferTest, EachWalkCopiesThroughItsOwnBuffer) {
  SourceMessage first = NewMessage("first"), second = NewMessage("second");
  first.Attach(ATTACH_BY_VALUE, "a.bin", std::string(70000, 'A'));
  first.Save();
  second.Attach(ATTACH_BY_VALUE, "b.bin", std::string(70000, 'B'));
  second.Save();
  SourceMessage firstCopy = NewMessage("first copy"), secondCopy = NewMessage("second copy");
  ComPtr<CQMXSession> other;
  ASSERT_EQ(CQMXSession::Create(other), S_OK);
  HRESULT nested = E_FAIL;
  PostedAction copySecond([&] { nested = other->AddAttachments(second.get(), secondCopy.get()); });
  copySecond.Post();
  ASSERT_EQ(session_->AddAttachments(first.get(), firstCopy.get()), S_OK);
  ASSERT_EQ(nested, S_OK);
  ComPtr<IAttach> a = Open(firstCopy.get(), "a.bin"), b = Open(secondCopy.get(), "b.bin");
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(ReadData(a.get(), PR_ATTACH_DATA_BIN) == std::string(70000, 'A'));
  EXPECT_TRUE(ReadData(b.get(), PR_ATTACH_DATA_BIN) == std::string(70000, 'B'));
}

TEST_F(AttachmentTransferTest, CreateAttachmentsAttachesEachFileOfTheList) {
  StartLog();
  const std::string one = WriteFile("one.txt", "first file");
  const std::string two = WriteFile("two.dat", std::string("\0\1\2binary", 9));
  SourceMessage message = NewMessage("mail");
  ComPtr<IMessage> held(message.get());
  standin::ClearJournal();
  // 1. Two full paths: two attachments named by the part after the last backslash.
  ASSERT_EQ(session_->CreateAttachments(held, (one + ";" + two).c_str()), S_OK);
  ASSERT_EQ(AttachmentNumbers(message.get()).size(), 2u);
  ComPtr<IAttach> first = Open(message.get(), "one.txt"), second = Open(message.get(), "two.dat");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(ReadData(first.get(), PR_ATTACH_DATA_BIN), "first file");
  EXPECT_EQ(ReadData(second.get(), PR_ATTACH_DATA_BIN), std::string("\0\1\2binary", 9));
  EXPECT_EQ(StringOf(second.get(), PR_ATTACH_PATHNAME_A), two);
  EXPECT_EQ(StringOf(second.get(), PR_ATTACH_FILENAME_A), "two.dat");
  EXPECT_EQ(StringOf(second.get(), PR_ATTACH_LONG_FILENAME_A), "two.dat");
  EXPECT_EQ(StringOf(second.get(), PR_RENDERING_POSITION), "-1");
  const auto setProps = standin::Journal("IAttach::SetProps");
  ASSERT_EQ(setProps.size(), 2u);
  EXPECT_EQ(setProps[0].rfind(
                "IAttach::SetProps flags=0x0 " +
                    TagsText({PR_RENDERING_POSITION, PR_ATTACH_PATHNAME_A, PR_ATTACH_METHOD,
                              PR_DISPLAY_NAME_A, PR_ATTACH_FILENAME_A, PR_ATTACH_LONG_FILENAME_A}),
                0),
            0u)
      << setProps[0];
  const std::string log = LogText();
  EXPECT_NE(log.find("CreateAttachments\tCreateAttachments, " + one + ";" + two),
            std::string::npos);
  EXPECT_NE(log.find("CreateAttachments\tCreateAttachments, two.dat\t"), std::string::npos);
  // 2. A trailing ";": the empty last item fails, and its failure is the result.
  SourceMessage trailing = NewMessage("trailing");
  ComPtr<IMessage> trailingHeld(trailing.get());
  EXPECT_TRUE(FAILED(session_->CreateAttachments(trailingHeld, (one + ";").c_str())));
  EXPECT_EQ(AttachmentNumbers(trailing.get()).size(), 1u);
  // 3. A missing file is dropped; the result is the last item's.
  SourceMessage missing = NewMessage("missing");
  ComPtr<IMessage> missingHeld(missing.get());
  EXPECT_EQ(session_->CreateAttachments(missingHeld, (PathOf("gone.txt") + ";" + one).c_str()),
            S_OK);
  EXPECT_EQ(AttachmentNumbers(missing.get()).size(), 1u);
  // 4. A path without a backslash is its own name.
  WriteFile("local.txt", "local");
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(fixture_.directory().c_str()));
  SourceMessage relative = NewMessage("relative");
  ComPtr<IMessage> relativeHeld(relative.get());
  const HRESULT hr = session_->CreateAttachments(relativeHeld, "local.txt");
  SetCurrentDirectoryA(previous);
  ASSERT_EQ(hr, S_OK);
  ComPtr<IAttach> local = Open(relative.get(), "local.txt");
  ASSERT_TRUE(local);
  EXPECT_EQ(StringOf(local.get(), PR_ATTACH_PATHNAME_A), "local.txt");
  EXPECT_EQ(StringOf(local.get(), PR_ATTACH_FILENAME_A), "local.txt");
  EXPECT_EQ(ReadData(local.get(), PR_ATTACH_DATA_BIN), "local");
}

}  // namespace
