' Logon to a profile of three stores with the first member call after it, against the same
' script without the logon: `make bench` times whole runs of each (process start included)
' and reports the two, so the figure is what a script pays to reach its first store.
' Creates the session in both modes; with "logon" also logs on, reads the first store's name
' (its time inside the script goes to the log, in milliseconds) and logs off.
'   cscript //nologo logon.vbs logon|start
Option Explicit
Dim passed, failed
passed = 0 : failed = 0

Sub Check(ok, what)
  If ok Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Dim mode, session
mode = "start"
If WScript.Arguments.Count > 0 Then mode = WScript.Arguments(0)
Set session = CreateObject("KelMsgs.QMXSession")
Check IsObject(session), "the session object"
If mode = "logon" Then
  Dim t0
  t0 = Timer
  Check session.Logon("", ""), "logon"
  Check session.MsgStore(0).DisplayName <> "", "the first store's name"
  WScript.Echo "logon and first call inside the script: " & CLng((Timer - t0) * 1000) & " ms"
  Check session.StoreCount = 3, "three stores: " & session.StoreCount
  session.Logoff True
End If
WScript.Echo passed & " passed, " & failed & " failed"
