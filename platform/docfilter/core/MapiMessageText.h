// A message held as MAPI properties, as ".msg" files and TNEF streams carry it, read
// into mail contents: the sender, recipients, date and subject lines, the plain body
// (else the text of the compressed RTF body, else of the HTML body), and the attachments
// and embedded messages as members.
#pragma once

#include "MailContents.h"
#include "core/MessageData.h"

namespace docfilter {

void ReadMapiMessage(const mapistandin::MessageData& message, MailContents& out);

}  // namespace docfilter
