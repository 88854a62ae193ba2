' Acceptance: a host hands the session its toolbar (the host add-in stand-in) and window
' handles, the search control records the session's notification, and a form is installed
' into the sample inbox.
Const mfldTypeInbox = 0
Const MAPI_E_EXTENDED_ERROR = &H80040119

Dim host, session, store, inbox, i, fso, logPath, cfg, text, number
Set fso = CreateObject("Scripting.FileSystemObject")
Set host = CreateObject("KelMsgsHost.Toolbar")
Set session = CreateObject("KelMsgs.QMXSession")
logPath = fso.BuildPath(fso.GetSpecialFolder(2), "kelmsgs-host-script.log")
session.LogFile = logPath
session.LoggingEnabled = True
session.MAPIInit True
Check session.Logon("", ""), "logon"

' The toolbar and its windows, handed to the session.
Set session.QLAToolbar = host
Check session.QLAToolbar Is host, "the session keeps the toolbar"
Check TypeName(host.OlProgressBar) = "Object", "the toolbar has a progress bar"
session.ToolbarHWnd = host.ToolbarHWnd
session.SearchCtlHWnd = host.SearchCtlHWnd
Check session.ToolbarHWnd = host.ToolbarHWnd And host.ToolbarHWnd <> 0, "toolbar window"
Check session.SearchCtlHWnd = host.SearchCtlHWnd And host.SearchCtlHWnd <> 0, "search control"

' The search control's notification, as the host's record shows it.
session.SetSearchCtlInfoText 3
Check host.WaitForRecord(1, 5000), "the search control is notified"
Check host.RecordCount = 1, "one message: " & host.RecordCount
If host.RecordCount > 0 Then
  WScript.Echo "Host record: " & host.RecordLine(0)
  Check host.RecordLine(0) = "search 0200 - code 14 index 3", "record: " & host.RecordLine(0)
  Check host.RecordMessage(0) = &H200, "message number"
  Check host.RecordLParam(0) = &H3000E, "lParam: " & Hex(host.RecordLParam(0))
End If

' A form installed into the sample inbox; a missing configuration file fails.
For i = 0 To session.StoreCount - 1
  If session.MsgStore(i).Default Then Set store = session.MsgStore(i)
Next
Set inbox = store.StandardFolder(mfldTypeInbox)
cfg = fso.GetAbsolutePathName(fso.BuildPath(processEnv("KELMSGS_SCRIPT_DIR"), _
  "..\..\platform\mapi\fixture\forms\quendrel-result.cfg"))
On Error Resume Next
session.InstallForm inbox.FolderID, store.EntryId, cfg
number = Err.Number
Err.Clear
On Error GoTo 0
Check number = 0, "form installed: " & Hex(number)
On Error Resume Next
session.InstallForm inbox.FolderID, store.EntryId, cfg & ".missing"
number = Err.Number
Err.Clear
On Error GoTo 0
Check number = MAPI_E_EXTENDED_ERROR, "a missing file fails: " & Hex(number)

' Logoff lets the toolbar go.
session.Logoff True
Check session.QLAToolbar Is Nothing, "logoff drops the toolbar"
session.LoggingEnabled = False
Set session = Nothing
text = fso.OpenTextFile(logPath).ReadAll
Check InStr(text, "Installed " & cfg) > 0, "install traced"
Check InStr(text, "Failed to install " & cfg & ".missing") > 0, "failure traced"
fso.DeleteFile logPath

Report
