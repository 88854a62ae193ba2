// The recipient list and importance of a mail that SendMail composes. Portable: no Windows
// header.
#pragma once

#include <string>
#include <vector>

namespace kelmsgs {

// Recipient types of MAPI (PR_RECIPIENT_TYPE).
constexpr long kRecipientTo = 1;
constexpr long kRecipientCc = 2;

struct MailRecipient {
  const char* name;  // points into the list it was cut from
  long type;
};

// Cuts both lists in place, each ';' becoming a terminating zero, and answers their pieces
// exactly as written: the To pieces in order, then the Cc pieces. An empty Cc list has no
// piece; an empty To list has one empty piece. The lists must outlive the answer and not
// change meanwhile.
std::vector<MailRecipient> CutRecipientLists(std::string& to, std::string& cc);

// PR_IMPORTANCE for a MessageImportanceConstants value (normal 0, low 1, high 2: MAPI swaps
// the first two); -1 for any other value.
long MapiImportance(long importance);

}  // namespace kelmsgs
