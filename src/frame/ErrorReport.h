// Error information for automation clients: a failing member describes the failure
// (a string-table entry or a text), names its class and interface, and returns the
// HRESULT that the client's Err or exception carries.
#pragma once

#include <oaidl.h>

namespace kelmsgs {

// Description from the string table of resources. An hr of 0 becomes
// 0x80040000 | id; the result is hr, or DISP_E_EXCEPTION when it is still 0.
HRESULT ReportError(REFCLSID clsid, UINT descriptionId, DWORD helpContext, LPCOLESTR helpFile,
                    REFIID iid, HRESULT hr, HINSTANCE resources);

// Description given as 8-bit text (converted with the ANSI code page).
HRESULT ReportError(REFCLSID clsid, const char* description, DWORD helpContext, LPCOLESTR helpFile,
                    REFIID iid, HRESULT hr);

}  // namespace kelmsgs
