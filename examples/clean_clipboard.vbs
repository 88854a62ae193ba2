' Keeps copied HTML free of search highlighting: while this script runs, HTML that lands on
' the clipboard (copied from a mail or a web page) is put back without its highlight spans,
' with its header offsets corrected, and with the text formats kept. Its log tells what it
' saw. Press Enter to stop; with /once it puts a text on the clipboard itself, shows what
' the monitor did with it and stops.
' Run with:  cscript //nologo clean_clipboard.vbs [/once]
Option Explicit
Dim fso, logPath, monitor, tools, once, line, lines
Set fso = CreateObject("Scripting.FileSystemObject")
logPath = fso.BuildPath(fso.GetSpecialFolder(2), "clean_clipboard.log")
If fso.FileExists(logPath) Then fso.DeleteFile logPath
once = WScript.Arguments.Count > 0
If once Then once = LCase(WScript.Arguments(0)) = "/once"

Set monitor = CreateObject("KelMsgs.QMXClipboardMonitor")
monitor.LogFile = logPath
monitor.LoggingEnabled = True
monitor.StartMonitor
WScript.Echo "Watching the clipboard."
If once Then
  Set tools = CreateObject("KelMsgs.QMXRegistryTools")
  tools.SetClipboardDataString "Plain text is left as it is."
Else
  WScript.Echo "Copy something from a mail or a web page; press Enter to stop."
  WScript.StdIn.ReadLine
End If
monitor.StopMonitor
Set monitor = Nothing

' What the monitor did, from its log: the operation and message of each line.
WScript.Echo "The monitor's log:"
Set lines = fso.OpenTextFile(logPath, 1)
Do While Not lines.AtEndOfStream
  line = Split(lines.ReadLine, vbTab)
  If UBound(line) >= 2 Then WScript.Echo "  " & line(1) & ": " & line(2)
Loop
lines.Close
