// Property tags and flags of the messaging subsystem that the toolchain's headers lack.
#pragma once

#include <mapidefs.h>
#include <mapitags.h>

#ifndef MAPI_FORCE_ACCESS
#define MAPI_FORCE_ACCESS 0x00080000u
#endif
#ifndef PR_PST_PATH_A
#define PR_PST_PATH_A PROP_TAG(PT_STRING8, 0x6700)
#endif
#ifndef PR_IPM_APPOINTMENT_ENTRYID
#define PR_IPM_APPOINTMENT_ENTRYID PROP_TAG(PT_BINARY, 0x36D0)
#endif
#ifndef PR_IPM_CONTACT_ENTRYID
#define PR_IPM_CONTACT_ENTRYID PROP_TAG(PT_BINARY, 0x36D1)
#endif
#ifndef PR_IPM_JOURNAL_ENTRYID
#define PR_IPM_JOURNAL_ENTRYID PROP_TAG(PT_BINARY, 0x36D2)
#endif
#ifndef PR_IPM_NOTE_ENTRYID
#define PR_IPM_NOTE_ENTRYID PROP_TAG(PT_BINARY, 0x36D3)
#endif
#ifndef PR_IPM_TASK_ENTRYID
#define PR_IPM_TASK_ENTRYID PROP_TAG(PT_BINARY, 0x36D4)
#endif
#ifndef PR_IPM_DRAFTS_ENTRYID
#define PR_IPM_DRAFTS_ENTRYID PROP_TAG(PT_BINARY, 0x36D7)
#endif
#ifndef PR_BODY_HTML_A
#define PR_BODY_HTML_A PROP_TAG(PT_STRING8, 0x1013)
#endif
