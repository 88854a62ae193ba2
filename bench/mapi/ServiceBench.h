// The session's services that work for a while per call: the attachment copy service
// (CopyAttachments to its worker's end) against a C++ client copying the same attachments
// to files, and SendMail against a C++ client composing and submitting the same mails
// through MAPI. Both run over a profile loaded for them (a mailbox with an address book
// and an outgoing directory, one message with large attachments).
#pragma once

#include <windows.h>

#include <string>

namespace bench {

// Loads the profile below `dir`, logs a session on and prints the two figures' lines.
// Returns false when the profile or the session could not be made.
bool ServiceFigures(const std::string& dir);

}  // namespace bench
