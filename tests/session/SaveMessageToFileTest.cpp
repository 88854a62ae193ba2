// SaveMessageToFile: the ".msg" file it writes read back through the message-on-storage
// service, the calls it makes, the stop request at each of its polls and its failures.
#include "session/MessageFileFixture.h"

#include "support/BstrText.h"

using kelmsgs::ComPtr;

namespace {

const CLSID kMailMessage = {0x00020D0B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The description of a source message without what a message file deliberately leaves
// out (the plain body of the top-level message and the RTF synchronisation values) and
// without the store's support mask, which a store computes for its messages and a copy
// does not take along.
std::map<std::string, std::string> AsWritten(std::map<std::string, std::string> source) {
  for (ULONG tag : {PR_BODY_A, PR_RTF_SYNC_BODY_CRC, PR_STORE_SUPPORT_MASK}) {
    char key[16];
    std::snprintf(key, sizeof key, "%08lX", tag);
    source.erase(key);
  }
  return source;
}

// How many of the lines start with the prefix.
long Starting(const std::vector<std::string>& lines, const std::string& prefix) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

class SaveMessageToFileTest : public MessageFileTest {};

TEST_F(SaveMessageToFileTest, RoundTripGivesBackEveryPropertyRecipientAndAttachment) {
  SourceMessage source = FullMessage();
  StartLog();
  const std::string path = PathOf("full.msg");
  // 1. An existing file of the name is replaced.
  CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_EQ(session_->SaveMessageToFile(source.get(), path.c_str()), S_OK);
  // 2. The file is a mail message holding the source, the embedded message with its own
  //    attachment and plain body included, the top-level plain body and sync values left out.
  OpenedFile file;
  ASSERT_EQ(Reopen(path, file), S_OK);
  EXPECT_TRUE(IsEqualCLSID(file.clsid, kMailMessage));
  const auto written = Describe(file.message.get());
  const auto expected = AsWritten(Describe(source.get()));
  EXPECT_EQ(written, expected);
  EXPECT_EQ(written.at("attachment Inner message embedded attachment inner.txt data"),
            "inner data");
  EXPECT_EQ(written.at("attachment Inner message embedded 1000001E"), "Inner body\r\n");
  EXPECT_EQ(written.at("attachment drawing.bin data"), "OLE object payload");
  EXPECT_EQ(written.count("1000001E"), 0u);
  EXPECT_EQ(written.at("recipient 1 3001001E"), "Bob Example");
  // 3. Each step traced under the operation's name.
  const std::string log = LogText();
  std::size_t at = 0;
  for (const std::string& line :
       {"SaveMessageToFile\tStarting to save file " + path, std::string("\tCopying..."),
        std::string("\tFinished..."), std::string("\tAttachments copied."),
        std::string("\tChanges saved."), std::string("\tCommitted.")}) {
    at = log.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << log;
  }
}

TEST_F(SaveMessageToFileTest, MessageWithoutAttachmentsIsWrittenWithItsPropertiesOnly) {
  SourceMessage source = NewMessage("Just text");
  source.String(PR_BODY_A, "body").Long(PROP_TAG(PT_LONG, 0x6601), 5);
  source.Save();
  standin::ClearJournal();
  const std::string path = PathOf("plain.msg");
  ASSERT_EQ(session_->SaveMessageToFile(source.get(), path.c_str()), S_OK);
  // PR_HASATTACH false ends the walk before the attachment table is opened.
  EXPECT_TRUE(standin::Journal("IMessage::GetAttachmentTable").empty());
  OpenedFile file;
  ASSERT_EQ(Reopen(path, file), S_OK);
  EXPECT_TRUE(AttachmentNumbers(file.message.get()).empty());
  EXPECT_EQ(Describe(file.message.get()), AsWritten(Describe(source.get())));
}

TEST_F(SaveMessageToFileTest, JournalShowsTheExcludedListsColumnsAndFlags) {
  SourceMessage source = FullMessage();
  standin::ClearJournal();
  ASSERT_EQ(session_->SaveMessageToFile(source.get(), PathOf("journal.msg").c_str()), S_OK);
  EXPECT_EQ(standin::Journal("OpenIMsgSession"),
            std::vector<std::string>{"OpenIMsgSession flags=0x0 tags="});
  EXPECT_EQ(standin::Journal("OpenIMsgOnIStg"),
            std::vector<std::string>{"OpenIMsgOnIStg flags=0x0 tags="});
  EXPECT_EQ(standin::Journal("CloseIMsgSession").size(), 1u);
  // The top-level copy leaves out eight tags, the embedded message's copy seven (its plain
  // body travels); no interface is excluded.
  const auto copies = standin::Journal("IMessage::CopyTo");
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0],
            "IMessage::CopyTo flags=0x0 " +
                TagsText({PR_ACCESS, PR_BODY_A, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC,
                          PR_RTF_SYNC_BODY_TAG_A, PR_RTF_SYNC_PREFIX_COUNT,
                          PR_RTF_SYNC_TRAILING_COUNT, PR_MESSAGE_ATTACHMENTS}) +
                " excludedInterfaces=0");
  EXPECT_EQ(copies[1], "IMessage::CopyTo flags=0x0 " +
                           TagsText({PR_ACCESS, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC,
                                     PR_RTF_SYNC_BODY_TAG_A, PR_RTF_SYNC_PREFIX_COUNT,
                                     PR_RTF_SYNC_TRAILING_COUNT, PR_MESSAGE_ATTACHMENTS}) +
                           " excludedInterfaces=0");
  // The attachment tables (message and embedded message) read six columns in a batch.
  const std::string columns =
      "IMAPITable::SetColumns flags=0x2 " +
      TagsText({PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_FILENAME_A, PR_ATTACH_LONG_FILENAME_A,
                PR_ATTACH_LONG_PATHNAME_A, PR_DISPLAY_NAME_A});
  const auto setColumns = standin::Journal("IMAPITable::SetColumns");
  EXPECT_EQ(Starting(setColumns, columns), 2);
  // Every new attachment gets its method and names in one call, in this order.
  const std::string names =
      "IAttach::SetProps flags=0x0 " +
      TagsText({PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME_A, PR_ATTACH_LONG_PATHNAME_A,
                PR_ATTACH_FILENAME_A, PR_DISPLAY_NAME_A});
  const auto setProps = standin::Journal("IAttach::SetProps");
  EXPECT_EQ(Starting(setProps, names), 3);
  // The embedded message's row has no file names: their error values are passed on.
  const std::string errors =
      "IAttach::SetProps flags=0x0 " +
      TagsText({PR_ATTACH_METHOD, CHANGE_PROP_TYPE(PR_ATTACH_LONG_FILENAME_A, PT_ERROR),
                CHANGE_PROP_TYPE(PR_ATTACH_LONG_PATHNAME_A, PT_ERROR),
                CHANGE_PROP_TYPE(PR_ATTACH_FILENAME_A, PT_ERROR), PR_DISPLAY_NAME_A});
  EXPECT_EQ(Starting(setProps, errors), 1);
  // Sources are opened for best access, targets created and modified, all kept open.
  EXPECT_EQ(standin::Journal("IMessage::OpenAttach flags=0x10").size(), 4u);
  const auto opened = standin::Journal("IAttach::OpenProperty");
  // Three data streams and one embedded message.
  EXPECT_EQ(Starting(opened, "IAttach::OpenProperty flags=0x3 "), 4);
  for (const std::string& saved : standin::Journal("IAttach::SaveChanges"))
    EXPECT_EQ(saved.rfind("IAttach::SaveChanges flags=0x2", 0), 0u) << saved;
}

TEST_F(SaveMessageToFileTest, StopAtEveryPollDeletesTheFileAndIsTraced) {
  SourceMessage source = NewMessage("Stopped");
  // Data of three reads, so the walk polls before each of several writes.
  source.Attach(ATTACH_BY_VALUE, "three.bin", std::string(140000, 'x'));
  SourceMessage inner = source.Embedded("Inner");
  inner.Attach(ATTACH_BY_VALUE, "inner.txt", "inner");
  inner.Save();
  source.Save();
  StartLog();
  const std::string path = PathOf("stopped.msg");
  // Poll k asks for the stop, for every k until a save runs through all its polls.
  ULONG polls = 0, stopAt = 0;
  session_->SetStopPollObserver([&] {
    if (++polls == stopAt) session_->SetStopRequest(true);
  });
  for (stopAt = 1;; ++stopAt) {
    polls = 0;
    session_->SetStopRequest(false);
    const HRESULT hr = session_->SaveMessageToFile(source.get(), path.c_str());
    if (polls < stopAt) {
      EXPECT_EQ(hr, S_OK);
      EXPECT_TRUE(Exists(path));
      break;
    }
    EXPECT_EQ(hr, MAPI_E_USER_CANCEL) << "poll " << stopAt;
    EXPECT_FALSE(Exists(path)) << "poll " << stopAt;
    // No poll after the stop was seen.
    EXPECT_EQ(polls, stopAt);
  }
  // Sixteen polls: four after the file set-up steps, three pumped ones of the save, two
  // attachment tables and three rows of the walk, and one before each of four writes.
  EXPECT_EQ(stopAt, 16u + 1);
  const std::string log = LogText();
  std::size_t cancelled = 0;
  for (std::size_t at = 0; (at = log.find("\tProcess cancelled " + path, at)) != std::string::npos;
       ++at)
    ++cancelled;
  EXPECT_EQ(cancelled, stopAt - 1);
  EXPECT_NE(log.find("AddAttachments\tCancelled."), std::string::npos);
}

TEST_F(SaveMessageToFileTest, StopAskedByAWindowMessageIsSeenAtThePump) {
  SourceMessage source = FullMessage();
  StartLog();
  PostedAction stop([this] { session_->SetStopRequest(true); });
  stop.Post();
  const std::string path = PathOf("pumped.msg");
  EXPECT_EQ(session_->SaveMessageToFile(source.get(), path.c_str()), MAPI_E_USER_CANCEL);
  EXPECT_FALSE(Exists(path));
  const std::string log = LogText();
  EXPECT_NE(log.find("\tProcess cancelled " + path), std::string::npos);
  // The stop came before the copy.
  EXPECT_EQ(log.find("\tCopying..."), std::string::npos);
}

// A failed step after the file exists leaves no file behind; a property copy or save that
// fails fails the save, while a copy with warnings is kept.
TEST_F(SaveMessageToFileTest, FailedSaveLeavesNoFile) {
  SourceMessage source = FullMessage();
  const std::string path = PathOf("failed.msg");
  const struct {
    const char* operation;
    ULONG succeedFirst;
  } steps[] = {{"OpenIMsgSession", 0},
               {"OpenIMsgOnIStg", 0},
               {"CopyTo", 0},
               {"CopyTo", 1},       // the embedded message's copy
               {"SaveChanges", 0},  // the first attachment's
               {"SaveChanges", 5},  // the message's own, after four attachments and one
                                    // embedded message
               {"IStream::Commit", 0}};
  for (const auto& step : steps) {
    MapiFixture::SetFault(step.operation, MAPI_E_DISK_ERROR, step.succeedFirst);
    EXPECT_EQ(session_->SaveMessageToFile(source.get(), path.c_str()), MAPI_E_DISK_ERROR)
        << step.operation << " " << step.succeedFirst;
    EXPECT_FALSE(Exists(path)) << step.operation << " " << step.succeedFirst;
    MapiFixture::ClearFaults();
  }
  // The directory does not exist: nothing is created.
  EXPECT_TRUE(FAILED(session_->SaveMessageToFile(source.get(), PathOf("none\\x.msg").c_str())));
  EXPECT_FALSE(Exists(PathOf("none\\x.msg")));
  // Warnings: the file is kept.
  MapiFixture::SetFault("CopyTo", MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(session_->SaveMessageToFile(source.get(), path.c_str()), S_OK);
  MapiFixture::ClearFaults();
  OpenedFile file;
  ASSERT_EQ(Reopen(path, file), S_OK);
  EXPECT_EQ(Describe(file.message.get()), AsWritten(Describe(source.get())));
}

}  // namespace
