// What the spooler does with one submitted message: the SMTP transport writes it as an
// RFC 822 file into the profile's outgoing directory, then the message is filed as sent
// and, when the profile's owner is a recipient, delivered to the owner's inbox.
#pragma once

#include "spooler/Spooler.h"

namespace mapistandin::spooler {

void Transmit(const Submission& submission);

}  // namespace mapistandin::spooler
