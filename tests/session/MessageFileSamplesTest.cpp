// Message files written by SaveMessageToFile for independent readers: each sample is built
// in the store from a description, saved into KELMSGS_MSG_OUT_DIR (else the fixture's
// directory) and described next to it as JSON (FILE.json) for msgfile_readers.sh.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "session/MessageFileFixture.h"

namespace {

struct Sample;
struct SampleAttachment {
  LONG method;
  std::string name;
  std::string data;                 // by value and OLE
  std::shared_ptr<Sample> message;  // embedded
};
struct Sample {
  std::wstring subject;
  std::string body;
  std::string rtf;
  std::vector<SourceMessage::Recipient> recipients;
  std::vector<SampleAttachment> attachments;
};

std::string JsonText(const std::wstring& text) {
  std::string out = "\"";
  for (wchar_t c : text) {
    char escaped[8];
    if (c == L'"' || c == L'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  return out + "\"";
}
std::string JsonText(const std::string& text) {
  return JsonText(std::wstring(text.begin(), text.end()));
}
std::string JsonHex(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char b : bytes) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", b);
    out += hex;
  }
  return out + "\"";
}

// What a reader must find. The top-level message's plain body is deliberately not written
// (its RTF body is); an embedded message keeps its plain body.
std::string Json(const Sample& s, bool topLevel) {
  std::string out = "{\"subject\": " + JsonText(s.subject);
  out += ", \"body\": " + (topLevel || s.body.empty() ? "null" : JsonText(s.body));
  out += ", \"rtf\": " + (s.rtf.empty() ? "null" : JsonText(s.rtf));
  out += ", \"recipients\": [";
  for (std::size_t i = 0; i < s.recipients.size(); ++i) {
    const auto& r = s.recipients[i];
    out += std::string(i ? ", " : "") + "{\"name\": " + JsonText(std::string(r.name)) +
           ", \"email\": " + JsonText(std::string(r.address)) +
           ", \"type\": " + (r.type == MAPI_TO ? "\"to\"" : "\"cc\"") + "}";
  }
  out += "], \"attachments\": [";
  for (std::size_t i = 0; i < s.attachments.size(); ++i) {
    const auto& a = s.attachments[i];
    out += std::string(i ? ", " : "") + "{\"name\": " + JsonText(a.name);
    out +=
        a.message ? ", \"message\": " + Json(*a.message, false) : ", \"data\": " + JsonHex(a.data);
    out += "}";
  }
  return out + "]}";
}

void Fill(SourceMessage& m, const Sample& s) {
  m.Wide(PR_SUBJECT_W, s.subject);
  if (!s.body.empty()) m.String(PR_BODY_A, s.body);
  if (!s.rtf.empty()) m.Rtf(s.rtf);
  if (!s.recipients.empty()) {
    // The names lists that a store keeps from the recipients (the stand-in's store does
    // not compute them).
    std::string to, cc;
    for (const auto& r : s.recipients) {
      std::string& list = r.type == MAPI_TO ? to : cc;
      list += (list.empty() ? "" : "; ") + std::string(r.name);
    }
    if (!to.empty()) m.String(PR_DISPLAY_TO_A, to);
    if (!cc.empty()) m.String(PR_DISPLAY_CC_A, cc);
    m.Recipients(s.recipients);
  }
  for (const SampleAttachment& a : s.attachments) {
    if (!a.message) {
      m.Attach(a.method, a.name, a.data);
      continue;
    }
    SourceMessage inner = m.Embedded(a.name);
    Fill(inner, *a.message);
    inner.Save();
  }
  m.Save();
}

Sample Full() {
  std::string notes = "These are the notes.\r\n";
  for (int i = 0; i < 256; ++i) notes.push_back(static_cast<char>(i));
  auto inner = std::make_shared<Sample>(
      Sample{L"Inner message",
             "Inner body\r\n",
             "",
             {},
             {{ATTACH_BY_VALUE, "inner.txt", "Inner attachment data\r\n", nullptr}}});
  return Sample{L"Quartalsbericht \u00FCber \u00C6rger \u2013 \u4F60\u597D",
                "Hello,\r\nthis is the plain body.\r\n",
                "{\\rtf1\\ansi\\ansicpg1252\\deff0 Hello, {\\b rich} body.\\par}",
                {{"Alice Example", "alice@example.com", MAPI_TO},
                 {"Bob Example", "bob@example.com", MAPI_CC}},
                {{ATTACH_BY_VALUE, "notes.txt", notes, nullptr},
                 {ATTACH_OLE, "drawing.bin", "OLE object payload", nullptr},
                 {ATTACH_EMBEDDED_MSG, "Inner message", "", inner}}};
}

Sample WithoutAttachments() {
  return Sample{L"No attachments \u00E9t\u00E9",
                "Only text.\r\n",
                "{\\rtf1\\ansi Only {\\i text}.\\par}",
                {{"Carol Example", "carol@example.com", MAPI_TO}},
                {}};
}

class LibraryMessageFiles : public MessageFileTest {};

TEST_F(LibraryMessageFiles, WritesTheReaderSamples) {
  const char* out = std::getenv("KELMSGS_MSG_OUT_DIR");
  const std::string dir = out && *out ? out : fixture_.directory();
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::pair<const char*, Sample> samples[] = {{"library-full", Full()},
                                                    {"library-plain", WithoutAttachments()}};
  for (const auto& [name, sample] : samples) {
    SourceMessage source = NewMessage("");
    Fill(source, sample);
    const std::string path = dir + "\\" + name + ".msg";
    ASSERT_EQ(session_->SaveMessageToFile(source.get(), path.c_str()), S_OK) << path;
    {
      OpenedFile file;
      ASSERT_EQ(Reopen(path, file), S_OK) << path;
      EXPECT_EQ(AttachmentNumbers(file.message.get()).size(), sample.attachments.size());
    }
    std::ofstream(dir + "\\" + name + ".json", std::ios::binary) << Json(sample, true) << "\n";
  }
}

}  // namespace
