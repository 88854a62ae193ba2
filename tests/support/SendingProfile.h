// The profile the sending tests share: an owner and a directory of three people (two whose
// names start alike), an archive and the default mailbox, whose transport writes every
// submitted mail to the "outgoing" directory next to the stores.
#pragma once

inline const char* const kSendingProfile = R"({
  "profiles": [{
    "name": "Sending", "default": true, "outgoing": "outgoing",
    "addressBook": {
      "owner": {"name": "Ann Lee", "email": "ann@example.com"},
      "entries": [{"name": "Bo Chen", "email": "bo@example.com"},
                  {"name": "Cy Dale", "email": "cy@example.com"},
                  {"name": "Cy Moss", "email": "moss@example.com"}]},
    "services": [{"service": "MSUPST MS", "displayName": "Personal Folders", "stores": [
      {"displayName": "Archive", "file": "archive.kms"},
      {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "uncompressedRtf": true}]}]}]
})";
