// The MAPI interface and property-set identifiers the stand-in uses, defined once for
// the whole DLL.
#include <windows.h>
#include <objbase.h>

#include <initguid.h>

#define USES_IID_IMAPISession
#define USES_IID_IMAPITable
#define USES_IID_IMAPIAdviseSink
#define USES_IID_IProfAdmin
#define USES_IID_IMsgServiceAdmin
#define USES_IID_IProviderAdmin
#define USES_IID_IMAPIProgress
#define USES_IID_IMAPIProp
#define USES_IID_IProfSect
#define USES_IID_IMAPIStatus
#define USES_IID_IMsgStore
#define USES_IID_IMessage
#define USES_IID_IAttachment
#define USES_IID_IMAPIContainer
#define USES_IID_IMAPIFolder
#define USES_PS_MAPI
#define USES_PS_PUBLIC_STRINGS
#define USES_IID_IStreamDocfile
#define USES_MUID_PROFILE_INSTANCE
#define USES_IID_IMAPIFormMgr
#define USES_IID_IMAPIFormContainer
#define USES_IID_IMAPIFormInfo
#include <mapiguid.h>
