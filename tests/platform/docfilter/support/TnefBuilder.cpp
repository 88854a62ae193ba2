#include "TnefBuilder.h"

namespace dftest {

namespace {

constexpr std::uint8_t kMessage = 1;
constexpr std::uint8_t kAttach = 2;

void Le(std::string& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

std::string Padded(std::string_view data) {
  std::string out(data);
  out.append((4 - data.size() % 4) % 4, '\0');
  return out;
}

std::string Terminated(std::string_view text) {
  return std::string(text) + '\0';
}

}  // namespace

TnefBuilder::TnefBuilder() {
  Le(out_, 0x223E9F78, 4);
  Le(out_, 0x0001, 2);
  std::string version;
  Le(version, 0x00010000, 4);
  Raw(kMessage, 0x00089006, version);
}

TnefBuilder& TnefBuilder::Raw(std::uint8_t level, std::uint32_t id, std::string_view data,
                              int checksumDelta) {
  out_.push_back(static_cast<char>(level));
  Le(out_, id, 4);
  Le(out_, data.size(), 4);
  out_.append(data);
  unsigned sum = 0;
  for (char c : data) sum += static_cast<unsigned char>(c);
  Le(out_, (sum + static_cast<unsigned>(checksumDelta)) & 0xFFFF, 2);
  return *this;
}

std::string TnefBuilder::VariableValue(std::string_view data) {
  std::string out;
  Le(out, 1, 4);
  Le(out, data.size(), 4);
  out += Padded(data);
  return out;
}

TnefBuilder& TnefBuilder::Subject(std::string_view text) {
  return Raw(kMessage, 0x00018004, Terminated(text));
}

TnefBuilder& TnefBuilder::Body(std::string_view text) {
  return Raw(kMessage, 0x0002800C, Terminated(text));
}

TnefBuilder& TnefBuilder::MessageProps(std::uint32_t stringTag, std::string_view text,
                                       std::uint32_t binaryTag, std::string_view bytes) {
  std::string props;
  Le(props, 2, 4);
  Le(props, stringTag, 4);
  props += VariableValue(Terminated(text));
  Le(props, binaryTag, 4);
  props += VariableValue(bytes);
  return Raw(kMessage, 0x00069003, props);
}

TnefBuilder& TnefBuilder::Attachment(std::string_view title, std::string_view data,
                                     std::string_view longName) {
  std::string rend;
  Le(rend, 1, 2);           // attachment type: a file
  Le(rend, 0xFFFFFFFF, 4);  // rendering position: none
  Le(rend, 0, 2 + 2 + 4);   // width, height, flags
  Raw(kAttach, 0x00069002, rend);
  Raw(kAttach, 0x00018010, Terminated(title));
  Raw(kAttach, 0x0006800F, data);
  std::string props;
  Le(props, 1, 4);
  Le(props, 0x3707001E, 4);  // the long file name, 8-bit
  props += VariableValue(Terminated(longName));
  return Raw(kAttach, 0x00069005, props);
}

TnefBuilder& TnefBuilder::Embedded(std::string_view displayName, const std::string& tnefOfMessage) {
  std::string rend;
  Le(rend, 1, 2);
  Le(rend, 0xFFFFFFFF, 4);
  Le(rend, 0, 8);
  Raw(kAttach, 0x00069002, rend);
  std::string props;
  Le(props, 3, 4);
  Le(props, 0x3001001E, 4);  // display name
  props += VariableValue(Terminated(displayName));
  Le(props, 0x37050003, 4);  // attach method: embedded message
  Le(props, 5, 4);
  Le(props, 0x3701000D, 4);  // the data object: IID_IMessage, then the message's stream
  const std::string iid("\x07\x03\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  props += VariableValue(iid + tnefOfMessage);
  return Raw(kAttach, 0x00069005, props);
}

}  // namespace dftest
