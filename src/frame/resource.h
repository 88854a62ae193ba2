// Resource identifiers of the module (shared by the resource script and the code).
#pragma once

// String table
#define IDS_PROJNAME 100
#define IDS_FILE_CORRUPT 101
#define IDS_COULD_NOT_ALLOCATE 116
#define IDS_NO_SEND_PERMISSION 125
#define IDS_CANNOT_OPEN_STORE 126
#define IDS_CANNOT_OPEN_ROOTFOLDER 127
#define IDS_SEND_PASSWORD 128

// Registration scripts (type REGISTRY), one per class
#define IDR_QMXMESSAGESTORE 101
#define IDR_QMXSTOREFOLDER 102
#define IDR_QMXMESSAGE 104
#define IDR_QMXFILECONTENT 105
#define IDR_QMXATTACH 125
#define IDR_QMXSESSION 126
#define IDR_QMXREGISTRYTOOLS 127
#define IDR_QMXMEMORYSTATUS 128
#define IDR_QMXCLIPBOARDMONITOR 130

// The clipboard monitor's viewer dialog
#define IDD_CLIPBOARDMONITOR 201
#define IDC_CLIPBOARD_TEXT 205
