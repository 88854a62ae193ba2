// A profile whose second store is the library's result store, "Quendrel e-mail Management",
// with three top-level folders, beside a mailbox with an inbox.
#pragma once

inline const char* const kResultStoreProfile = R"({"profiles": [{"name": "Work", "default": true,
  "services": [{"service": "MSPST MS", "displayName": "Personal Folders", "stores": [
    {"displayName": "Mailbox", "file": "mailbox.kms", "default": true, "flavour": "short",
     "folders": [{"name": "Inbox", "class": "IPF.Note"}]},
    {"displayName": "Quendrel e-mail Management", "file": "results.kms", "flavour": "short",
     "folders": [{"name": "Results", "class": "IPF.Note"}, {"name": "Archive"},
                 {"name": "Queries", "folders": [{"name": "Below"}]}]},
    {"displayName": "quendrel e-mail management", "file": "other.kms", "flavour": "short",
     "folders": [{"name": "Not the result store"}]}]}]}]})";
