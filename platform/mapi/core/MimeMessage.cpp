#include "core/MimeMessage.h"

#include <cstdio>

namespace mapistandin {

namespace {

bool IsAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80 || (c < 0x20 && c != '\t')) return false;
  }
  return true;
}

// A header value: as it is when it is printable ASCII, else base64 encoded words short
// enough for the line limit.
std::string HeaderText(const std::string& text, const std::string& charset) {
  if (IsAscii(text)) return text;
  std::string out;
  for (std::size_t at = 0; at < text.size(); at += 45) {
    if (!out.empty()) out += "\r\n ";
    out += "=?" + charset + "?B?" + Base64(text.substr(at, 45)) + "?=";
  }
  return out;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string AddressList(const std::vector<MimeAddress>& list, const std::string& charset) {
  std::string out;
  for (const MimeAddress& a : list) {
    if (!out.empty()) out += ",\r\n ";
    if (!a.name.empty() && a.name != a.email) {
      out += (IsAscii(a.name) ? Quoted(a.name) : HeaderText(a.name, charset)) + " ";
    }
    out += "<" + a.email + ">";
  }
  return out;
}

std::string Lines76(const std::string& encoded) {
  std::string out;
  for (std::size_t at = 0; at < encoded.size(); at += 76) out += encoded.substr(at, 76) + "\r\n";
  return out;
}

std::string FileNameParam(const std::string& key, const std::string& name,
                          const std::string& charset) {
  return key + "=" + (IsAscii(name) ? Quoted(name) : "\"" + HeaderText(name, charset) + "\"");
}

}  // namespace

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::uint32_t b0 = static_cast<unsigned char>(bytes[i]);
    const std::uint32_t b1 = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    const std::uint32_t b2 = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
    const std::uint32_t v = b0 << 16 | b1 << 8 | b2;
    out += kDigits[v >> 18 & 63];
    out += kDigits[v >> 12 & 63];
    out += i + 1 < bytes.size() ? kDigits[v >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
  }
  return out;
}

std::string MimeDate(std::uint64_t fileTime) {
  // Days since 1601-01-01, then the civil date (proleptic Gregorian).
  const std::uint64_t seconds = fileTime / 10000000;
  const std::int64_t days = static_cast<std::int64_t>(seconds / 86400);
  const unsigned secs = static_cast<unsigned>(seconds % 86400);
  static const char* kWeek[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  static const char* kMonth[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // 1601-01-01 was a Monday; the civil date from the days since 1970-01-01.
  const std::int64_t z = days - 134774 + 719468;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04lld %02u:%02u:%02u +0000", kWeek[days % 7], day,
                kMonth[month - 1], year, secs / 3600, secs / 60 % 60, secs % 60);
  return text;
}

std::string ComposeMime(const MimeMessage& m) {
  static const char* kImportance[] = {"low", "normal", "high"};
  // 1. The envelope headers.
  std::string out;
  out += "From: " + AddressList({m.from}, m.charset) + "\r\n";
  if (!m.to.empty()) out += "To: " + AddressList(m.to, m.charset) + "\r\n";
  if (!m.cc.empty()) out += "Cc: " + AddressList(m.cc, m.charset) + "\r\n";
  out += "Subject: " + HeaderText(m.subject, m.charset) + "\r\n";
  out += "Date: " + m.date + "\r\n";
  out += "Message-ID: <" + m.messageId + ">\r\n";
  if (m.importance >= 0 && m.importance <= 2)
    out += std::string("Importance: ") + kImportance[m.importance] + "\r\n";
  out += "MIME-Version: 1.0\r\n";
  // 2. The plain body, alone or as the first part.
  const std::string text = "Content-Type: text/plain; charset=\"" + m.charset +
                           "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                           Lines76(Base64(m.body));
  if (m.attachments.empty()) return out + text;
  const std::string boundary = "----=_Part_" + m.messageId;
  out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
  out += "--" + boundary + "\r\n" + text;
  // 3. Each attachment under its name.
  for (const MimeAttachment& a : m.attachments) {
    out += "--" + boundary + "\r\n";
    out += "Content-Type: " + (a.mimeType.empty() ? "application/octet-stream" : a.mimeType) +
           "; " + FileNameParam("name", a.fileName, m.charset) + "\r\n";
    out += "Content-Disposition: attachment; " + FileNameParam("filename", a.fileName, m.charset) +
           "\r\n";
    out += "Content-Transfer-Encoding: base64\r\n\r\n" + Lines76(Base64(a.data));
  }
  return out + "--" + boundary + "--\r\n";
}

}  // namespace mapistandin
