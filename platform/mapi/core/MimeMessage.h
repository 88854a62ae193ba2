// An outgoing mail as the SMTP transport writes it: an RFC 822 message with MIME parts
// (the plain body, then each attachment base64-encoded under its file name). Text that is
// not ASCII is declared in the given character set: headers as RFC 2047 encoded words,
// the body and file names base64-encoded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mapistandin {

struct MimeAddress {
  std::string name;
  std::string email;
};

struct MimeAttachment {
  std::string fileName;
  std::string mimeType;  // empty: application/octet-stream
  std::string data;
};

struct MimeMessage {
  MimeAddress from;
  std::vector<MimeAddress> to, cc;
  std::string subject;
  std::string body;
  int importance = 1;  // 0 low, 1 normal, 2 high
  std::string charset = "windows-1252";
  std::string date;       // RFC 822 date-time
  std::string messageId;  // without the angle brackets
  std::vector<MimeAttachment> attachments;
};

std::string ComposeMime(const MimeMessage& message);

// RFC 822 date-time ("Mon, 07 Dec 2026 03:04:05 +0000") of a FILETIME in UTC.
std::string MimeDate(std::uint64_t fileTime);

std::string Base64(const std::string& bytes);

}  // namespace mapistandin
