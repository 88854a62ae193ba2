#include "MapiMessageText.h"

#include <cstdio>
#include <string>
#include <vector>

#include "Charsets.h"
#include "HtmlText.h"
#include "RtfText.h"
#include "rtf/CompressedRtf.h"

namespace docfilter {

namespace {

using mapistandin::FindPropById;
using mapistandin::Prop;
using mapistandin::Row;

constexpr std::uint16_t kSubject = 0x0037;
constexpr std::uint16_t kSentRepresentingName = 0x0042;
constexpr std::uint16_t kClientSubmitTime = 0x0039;
constexpr std::uint16_t kSenderName = 0x0C1A;
constexpr std::uint16_t kSenderEmail = 0x0C1F;
constexpr std::uint16_t kRecipientType = 0x0C15;
constexpr std::uint16_t kDisplayCc = 0x0E03;
constexpr std::uint16_t kDisplayTo = 0x0E04;
constexpr std::uint16_t kDeliveryTime = 0x0E06;
constexpr std::uint16_t kBody = 0x1000;
constexpr std::uint16_t kRtfCompressed = 0x1009;
constexpr std::uint16_t kHtml = 0x1013;
constexpr std::uint16_t kDisplayName = 0x3001;
constexpr std::uint16_t kAttachDataBin = 0x3701;
constexpr std::uint16_t kAttachFilename = 0x3704;
constexpr std::uint16_t kAttachLongFilename = 0x3707;

// A string property as UTF-8; empty when absent or of another type.
std::string Text(const Row& row, std::uint16_t id) {
  const Prop* p = FindPropById(row, id);
  if (!p) return {};
  if (p->type() == mapistandin::kTypeUnicode) return CharsetToUtf8(p->bytes, "utf-16le");
  if (p->type() == mapistandin::kTypeString8) return GuessToUtf8(p->bytes);
  return {};
}

const std::string* Binary(const Row& row, std::uint16_t id) {
  const Prop* p = FindPropById(row, id);
  return p && p->type() == mapistandin::kTypeBinary ? &p->bytes : nullptr;
}

// A time property (100-ns ticks since 1601, UTC) as "YYYY-MM-DD hh:mm:ss".
std::string Time(const Row& row, std::uint16_t id) {
  const Prop* p = FindPropById(row, id);
  if (!p || p->type() != mapistandin::kTypeSysTime || p->integer <= 0) return {};
  const std::int64_t seconds = p->integer / 10000000;
  std::int64_t days = seconds / 86400 - 134774;  // days since 1970-01-01
  const std::int64_t rest = seconds % 86400;
  // Civil date from a day count (proleptic Gregorian).
  days += 719468;
  const std::int64_t era = days / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2);
  char out[48];
  std::snprintf(out, sizeof out, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return out;
}

// Recipient names of one kind (1 To, 2 Cc) from the recipient rows.
std::string Recipients(const mapistandin::MessageData& m, std::int64_t kind) {
  std::string out;
  for (const Row& r : m.recipients) {
    const Prop* type = FindPropById(r, kRecipientType);
    if (!type || type->integer != kind) continue;
    if (!out.empty()) out += "; ";
    out += Text(r, kDisplayName);
  }
  return out;
}

void BodyParts(const DocumentText& text, Latin1Writer& out) {
  for (const Part& part : text.parts())
    if (part.kind == PartKind::Body) out.Latin1(part.text);
}

void Body(const Row& props, Latin1Writer& out) {
  // 1. The plain body.
  if (const std::string plain = Text(props, kBody); !plain.empty()) {
    out.Utf8(plain);
    return;
  }
  // 2. Else the text of the RTF body.
  if (const std::string* rtf = Binary(props, kRtfCompressed)) {
    std::vector<std::uint8_t> raw;
    const auto status = mapistandin::DecompressRtf(
        reinterpret_cast<const std::uint8_t*>(rtf->data()), rtf->size(), raw, kMaxInflatedBytes);
    if (status == mapistandin::RtfStatus::Ok || status == mapistandin::RtfStatus::Truncated) {
      DocumentText text;
      RtfText::Extract(std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size()),
                       text);
      BodyParts(text, out);
      return;
    }
  }
  // 3. Else the text of the HTML body.
  const Prop* html = FindPropById(props, kHtml);
  if (html &&
      (html->type() == mapistandin::kTypeBinary || html->type() == mapistandin::kTypeString8)) {
    DocumentText text;
    HtmlText::Extract(html->bytes, text);
    BodyParts(text, out);
  } else if (html && html->type() == mapistandin::kTypeUnicode) {
    DocumentText text;
    HtmlText::Extract(Text(props, kHtml), text);
    BodyParts(text, out);
  }
}

std::string AttachmentName(const Row& props) {
  for (std::uint16_t id : {kAttachLongFilename, kAttachFilename, kDisplayName})
    if (std::string name = Text(props, id); !name.empty()) return name;
  return {};
}

}  // namespace

void ReadMapiMessage(const mapistandin::MessageData& m, MailContents& out) {
  // 1. The lines a reader sees above the body.
  Latin1Writer text = out.text.Writer();
  std::string from = Text(m.props, kSentRepresentingName);
  if (from.empty()) from = Text(m.props, kSenderName);
  if (const std::string email = Text(m.props, kSenderEmail); !email.empty())
    from += from.empty() ? email : " <" + email + ">";
  std::string to = Text(m.props, kDisplayTo);
  if (to.empty()) to = Recipients(m, 1);
  std::string cc = Text(m.props, kDisplayCc);
  if (cc.empty()) cc = Recipients(m, 2);
  std::string date = Time(m.props, kClientSubmitTime);
  if (date.empty()) date = Time(m.props, kDeliveryTime);
  const std::pair<const char*, std::string> lines[] = {{"From: ", from},
                                                       {"To: ", to},
                                                       {"Cc: ", cc},
                                                       {"Date: ", date},
                                                       {"Subject: ", Text(m.props, kSubject)}};
  for (const auto& [label, value] : lines) {
    if (value.empty()) continue;
    text.Latin1(label);
    text.Utf8(value);
    text.EndLine();
  }
  text.LineBreak();

  // 2. The body.
  Body(m.props, text);
  text.EndLine();
  out.text.Add(PartKind::Body, text.Take());

  // 3. Attachments and embedded messages.
  if (!out.withMembers()) return;
  for (const mapistandin::AttachData& a : m.attachments) {
    std::string name = AttachmentName(a.props);
    if (!a.embedded.empty()) {
      if (!out.MayNest()) continue;
      MailContents nested = out.Nested();
      ReadMapiMessage(a.embedded.front(), nested);
      if (name.empty()) name = Text(a.embedded.front().props, kSubject);
      if (name.empty()) name = "message";
      if (!name.ends_with(".msg")) name += ".msg";
      out.AddMessage(name, mapistandin::MessageBytes(a.embedded.front()), std::move(nested));
      continue;
    }
    const std::string* data = Binary(a.props, kAttachDataBin);
    out.AddAttachment(name, data ? *data : std::string());
  }
}

}  // namespace docfilter
