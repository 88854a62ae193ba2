' Sends a small report from the user's own mailbox: the number of messages in each folder of
' the default store, as a CSV attachment, to the addresses given (the profile's own owner
' when none is given). The mail goes out through the mail client's spooler and lands in
' Sent Items, with the user's identity.
' Run with:  cscript //nologo send_report.vbs [recipients separated by ;]
Option Explicit
Const mfldTypeSent = 2
Const micNormal = 0
Dim session, fso, store, i, reportPath, csv, recipients, sent, before, started

Set fso = CreateObject("Scripting.FileSystemObject")
Set session = CreateObject("KelMsgs.QMXSession")
If Not session.Logon("", "") Then
  WScript.Echo "Logon failed: no messaging profile is running."
  WScript.Quit 1
End If
recipients = session.CurrentUser
If WScript.Arguments.Count > 0 Then recipients = WScript.Arguments(0)
For i = 0 To session.StoreCount - 1
  If session.MsgStore(i).Default Then Set store = session.MsgStore(i)
Next

' 1. The report: one line per folder.
reportPath = fso.BuildPath(fso.GetSpecialFolder(2), "folder report.csv")
Set csv = fso.CreateTextFile(reportPath, True)
csv.WriteLine "Folder,Messages"
AddFolder store.RootFolder, ""
csv.Close

' 2. The mail. The send password guards SendMail against scripts that were not given it.
Set sent = store.StandardFolder(mfldTypeSent)
before = sent.MessageCount
session.SndPwd = "KorPimLud"
session.SendMail "Folder report " & FormatDateTime(Now, 2), _
  "The number of messages in each folder of " & store.DisplayName & " is attached.", "", _
  recipients, "", reportPath, micNormal, False
WScript.Echo "Sent ""Folder report"" to " & recipients & " with " & fso.GetFileName(reportPath)

' 3. The spooler sends on its own thread: wait (at most ten seconds) for Sent Items.
started = Timer
Do While store.StandardFolder(mfldTypeSent).MessageCount = before And Abs(Timer - started) < 10
Loop
If store.StandardFolder(mfldTypeSent).MessageCount > before Then
  WScript.Echo "Filed in Sent Items."
Else
  WScript.Echo "Still in the Outbox: the spooler has not sent it yet."
End If
session.Logoff

Sub AddFolder(folder, parentPath)
  Dim j, path
  path = parentPath & "/" & folder.DisplayName
  csv.WriteLine """" & Replace(path, """", """""") & """," & folder.MessageCount
  For j = 0 To folder.SubfolderCount - 1
    AddFolder folder.Folder(j), path
  Next
End Sub
