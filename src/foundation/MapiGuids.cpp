// The interface and property-set identifiers of the messaging subsystem, defined once
// for the whole library (the toolchain's headers only declare them).
#define INITGUID
#define USES_IID_IMAPISession
#define USES_IID_IMAPITable
#define USES_IID_IMsgStore
#define USES_IID_IMAPIFolder
#define USES_IID_IMessage
#define USES_IID_IAttachment
#define USES_IID_IMAPIAdviseSink
#define USES_IID_IMAPIProp
#define USES_IID_IStreamDocfile
#define USES_PS_PUBLIC_STRINGS
#include <objbase.h>
#include <mapiguid.h>
