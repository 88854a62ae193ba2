// Test controls of the messaging stand-in. Exported by its mapi32.dll for tests only; the
// library never calls them. Resolve them with GetProcAddress on "mapi32.dll".
#pragma once

#include <windows.h>

extern "C" {
// Makes the named operation fail with `result`; objectHex (optional) limits the rule to
// the object with that hex entry identifier; the first succeedFirst calls still succeed.
HRESULT WINAPI StandinSetFault(LPCSTR operation, HRESULT result, LPCSTR objectHex,
                               ULONG succeedFirst);
void WINAPI StandinClearFaults();
// Makes only the call after the first succeedFirst calls of the operation fail; the rule
// is spent then.
HRESULT WINAPI StandinSetFaultOnce(LPCSTR operation, HRESULT result, ULONG succeedFirst);
// The operations that can be made to fail (the names StandinSetFault takes) and how often
// each was called, over every object, since the last clear or profile reset. Entries come
// in name order; StandinFaultPointEntry answers the length the name needs (0 past the end).
ULONG WINAPI StandinFaultPointCount();
ULONG WINAPI StandinFaultPointEntry(ULONG index, LPSTR name, ULONG size, ULONG* calls);
ULONG WINAPI StandinFaultPointCalls(LPCSTR operation);
void WINAPI StandinFaultPointsClear();
// Holds the call after the first succeedFirst calls of the operation (one of the names
// StandinSetFault takes), as a slow store would, until StandinReleaseStall (at most a
// minute); StandinWaitStalled waits until that call is being held.
HRESULT WINAPI StandinSetStall(LPCSTR operation, ULONG succeedFirst);
BOOL WINAPI StandinWaitStalled(DWORD timeoutMs);
void WINAPI StandinReleaseStall();
// What a logon with MAPI_LOGON_UI does: TRUE picks the default profile, FALSE cancels.
void WINAPI StandinSetLogonUiAnswer(BOOL pickDefault);
// String and binary values longer than this many bytes come back from GetProps as
// MAPI_E_NOT_ENOUGH_MEMORY errors.
void WINAPI StandinSetSizeLimit(ULONG bytes);
// The call journal: one line per call, "Operation flags=0x.. tags=.. detail".
ULONG WINAPI StandinJournalCount();
ULONG WINAPI StandinJournalEntry(ULONG index, LPSTR buffer, ULONG size);
void WINAPI StandinJournalClear();
}

extern "C" {
// Loads a JSON profile description (the text itself, or the path of a file holding it);
// store files named relatively go under baseDir. On a bad description: MAPI_E_CORRUPT_DATA
// and the reason in error.
HRESULT WINAPI StandinLoadFixture(LPCSTR jsonOrPath, LPCSTR baseDir, LPSTR error, ULONG errorSize);
// A default profile with one store of `folders` folders and `messages` messages.
HRESULT WINAPI StandinGenerateProfile(LPCSTR profile, LPCSTR dir, ULONG folders, ULONG messages);
// Removes every profile and resets every switch above.
HRESULT WINAPI StandinResetProfiles();
// The number of live stand-in objects (tables, stores, folders, messages, ...).
LONG WINAPI StandinLiveObjects();
// What is outstanding: live stand-in objects plus the advise sinks it holds, and blocks
// from MAPIAllocateBuffer not yet freed.
void WINAPI StandinLiveCounts(ULONG* objects, ULONG* buffers);

// Drops a new mail, described as a fixture's messages are (unread and delivered now unless
// it says otherwise), into the inbox of the profile's default store, as delivery does: the
// store's watchers hear fnevObjectCreated and fnevNewMail.
HRESULT WINAPI StandinDeliverMail(LPCSTR profile, LPCSTR messageJson, LPSTR error, ULONG errorSize);
// Raises fnevExtended with the event code and data on the profile's default store.
HRESULT WINAPI StandinRaiseExtended(LPCSTR profile, ULONG event, const BYTE* data, ULONG size);
// The number of advise connections (store and table) not yet unadvised.
ULONG WINAPI StandinNotifyConnections();
// Waits until the spooler has handed every submitted message to the transport and filed
// it: S_OK, or MAPI_E_TIMEOUT after timeoutMs.
HRESULT WINAPI StandinSpoolerIdle(ULONG timeoutMs);
}
