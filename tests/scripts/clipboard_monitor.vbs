' Acceptance: QMXClipboardMonitor created by ProgID and called late-bound; its viewer window
' sees a clipboard change made by the script and writes its steps to its log.

Dim fso, logPath, m, tools, text
Set fso = CreateObject("Scripting.FileSystemObject")
logPath = fso.BuildPath(fso.GetSpecialFolder(2), "kelmsgs-clipboard-script.log")
If fso.FileExists(logPath) Then fso.DeleteFile logPath

Set m = CreateObject("KelMsgs.QMXClipboardMonitor")
Check TypeName(m) = "IQMXClipboardMonitor", "the ProgID creates the class"
Check m.LoggingEnabled = False, "logging starts switched off"
m.LogFile = logPath
m.LoggingEnabled = True
Check m.LogFile = logPath, "the log file reads back"
Check m.LoggingEnabled = True, "logging reads back switched on"

m.StartMonitor
m.StartMonitor
Set tools = CreateObject("KelMsgs.QMXRegistryTools")
tools.SetClipboardDataString "plain text from a script"
m.StopMonitor
Set m = Nothing

text = fso.OpenTextFile(logPath, 1).ReadAll
Check UBound(Split(text, vbTab & "Started.")) = 1, "one window for two starts"
Check InStr(text, "ReadClipboardData" & vbTab & "Reading data...") > 0, "the change was read"
Check InStr(text, "WriteClipboardData" & vbTab & "Writing data...") = 0, "plain text is not rewritten"
Check InStr(text, "StopMonitor" & vbTab & "Stopped.") > 0, "the stop is logged"
Check InStr(text, "ClipboardMonitor destructed.") > 0, "the release is logged"
If failed > 0 Then WScript.Echo text
fso.DeleteFile logPath

Report
