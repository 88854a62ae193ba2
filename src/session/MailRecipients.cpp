#include "session/MailRecipients.h"

namespace kelmsgs {

namespace {

void CutInto(std::string& list, long type, std::vector<MailRecipient>& out) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size() && list[i] != ';') continue;
    if (i < list.size()) list[i] = '\0';
    out.push_back({list.c_str() + start, type});
    start = i + 1;
  }
}

}  // namespace

std::vector<MailRecipient> CutRecipientLists(std::string& to, std::string& cc) {
  std::vector<MailRecipient> out;
  CutInto(to, kRecipientTo, out);
  if (!cc.empty()) CutInto(cc, kRecipientCc, out);
  return out;
}

long MapiImportance(long importance) {
  switch (importance) {
    case 0:
      return 1;  // normal
    case 1:
      return 0;  // low
    case 2:
      return 2;  // high
    default:
      return -1;
  }
}

}  // namespace kelmsgs
