// Builds TNEF streams ("winmail.dat") in memory for tests, written from the published
// stream format: a signature and key, then attributes of a level, an identifier, a
// length, the data and a 16-bit checksum of the data. Message and attachment properties
// go into the encapsulated property lists, an embedded message into an object value
// holding a TNEF stream of its own. No Debian tool writes TNEF, so tests build it here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dftest {

class TnefBuilder {
 public:
  TnefBuilder();

  // Mapped message attributes: subject, plain body (8-bit, NUL-terminated).
  TnefBuilder& Subject(std::string_view text);
  TnefBuilder& Body(std::string_view text);
  // The message's encapsulated properties: one 8-bit string and one binary property.
  TnefBuilder& MessageProps(std::uint32_t stringTag, std::string_view text, std::uint32_t binaryTag,
                            std::string_view bytes);
  // An attachment: its rendering data, title (short name), data, and long file name.
  TnefBuilder& Attachment(std::string_view title, std::string_view data, std::string_view longName);
  // An attachment holding an embedded message.
  TnefBuilder& Embedded(std::string_view displayName, const std::string& tnefOfMessage);
  // Any attribute, with a checksum that may lie.
  TnefBuilder& Raw(std::uint8_t level, std::uint32_t id, std::string_view data,
                   int checksumDelta = 0);

  const std::string& bytes() const { return out_; }

  // An encapsulated property value (variable type): count, size, data, padding.
  static std::string VariableValue(std::string_view data);

 private:
  std::string out_;
};

}  // namespace dftest
