// Properties the store keeps about itself in its file. They live in a private range and
// never show up in GetProps.
#pragma once

#include <mapidefs.h>
#include <mapitags.h>

namespace mapistandin {

constexpr ULONG kInfoStoreUid = PROP_TAG(PT_BINARY, 0x7F00);
constexpr ULONG kInfoLongFlavour = PROP_TAG(PT_BOOLEAN, 0x7F01);
constexpr ULONG kInfoSupportMask = PROP_TAG(PT_LONG, 0x7F02);
constexpr ULONG kInfoRoot = PROP_TAG(PT_I8, 0x7F03);
constexpr ULONG kInfoSubtree = PROP_TAG(PT_I8, 0x7F04);
constexpr ULONG kInfoInbox = PROP_TAG(PT_I8, 0x7F05);
constexpr ULONG kInfoOutbox = PROP_TAG(PT_I8, 0x7F06);
constexpr ULONG kInfoSent = PROP_TAG(PT_I8, 0x7F07);
constexpr ULONG kInfoWastebasket = PROP_TAG(PT_I8, 0x7F08);
constexpr ULONG kInfoDrafts = PROP_TAG(PT_I8, 0x7F09);
constexpr ULONG kInfoCalendar = PROP_TAG(PT_I8, 0x7F0A);
constexpr ULONG kInfoContacts = PROP_TAG(PT_I8, 0x7F0B);
constexpr ULONG kInfoJournal = PROP_TAG(PT_I8, 0x7F0C);
constexpr ULONG kInfoNotes = PROP_TAG(PT_I8, 0x7F0D);
constexpr ULONG kInfoTasks = PROP_TAG(PT_I8, 0x7F0E);
constexpr ULONG kInfoReceiveClasses = PROP_TAG(PT_MV_STRING8, 0x7F0F);
constexpr ULONG kInfoReceiveFolders = PROP_TAG(PT_MV_I8, 0x7F10);
constexpr ULONG kInfoPublic = PROP_TAG(PT_BOOLEAN, 0x7F11);
constexpr ULONG kInfoNoNotify = PROP_TAG(PT_BOOLEAN, 0x7F12);  // a store without notifications
constexpr unsigned kPrivateFirst = 0x7F00;
constexpr unsigned kPrivateLast = 0x7FFF;

}  // namespace mapistandin

namespace mapistandin {

// Tags the SDK headers lack.
#ifndef PR_HTML
constexpr ULONG PR_HTML = PROP_TAG(PT_BINARY, 0x1013);
#endif
constexpr ULONG PR_BODY_HTML_A = PROP_TAG(PT_STRING8, 0x1013);
constexpr ULONG PR_IPM_APPOINTMENT_ENTRYID = PROP_TAG(PT_BINARY, 0x36D0);
constexpr ULONG PR_IPM_CONTACT_ENTRYID = PROP_TAG(PT_BINARY, 0x36D1);
constexpr ULONG PR_IPM_JOURNAL_ENTRYID = PROP_TAG(PT_BINARY, 0x36D2);
constexpr ULONG PR_IPM_NOTE_ENTRYID = PROP_TAG(PT_BINARY, 0x36D3);
constexpr ULONG PR_IPM_TASK_ENTRYID = PROP_TAG(PT_BINARY, 0x36D4);
constexpr ULONG PR_IPM_DRAFTS_ENTRYID = PROP_TAG(PT_BINARY, 0x36D7);
constexpr ULONG PR_PST_PATH_A = PROP_TAG(PT_STRING8, 0x6700);
constexpr ULONG PR_ATTACH_LONG_PATHNAME_A_ = PROP_TAG(PT_STRING8, 0x370D);

}  // namespace mapistandin
