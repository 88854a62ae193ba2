// The switches tests set through the control exports: injected faults, the answer to a
// logon that would show a chooser, the GetProps size limit and the call journal.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace mapistandin::control {

// The HRESULT a test asked the named operation to fail with, or S_OK. `object` is the
// hex entry identifier of the object the operation works on, when it has one.
HRESULT Fault(const char* operation, const std::string& object = {});

// Records a call: operation, flags, property tags and a free text.
void Journal(const char* operation, ULONG flags, const std::vector<ULONG>& tags = {},
             const std::string& detail = {});

// TRUE: a logon with MAPI_LOGON_UI picks the default profile; FALSE: the user cancels.
bool LogonUiPicksDefault();

// String and binary values longer than this come back from GetProps as errors.
ULONG SizeLimit();

// Clears faults, journal and switches (fixture reset).
void ResetSwitches();

// Holds the calling thread when a test asked for a call of this operation to be held
// (StandinSetStall), until the test releases it; lets any held call go on.
void HoldIfStalled(const char* operation);
void ReleaseStall();

}  // namespace mapistandin::control
