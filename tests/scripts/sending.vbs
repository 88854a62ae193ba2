' Acceptance: a script sends a mail with two recipients, a Cc, an RTF body and two file
' attachments; finds it in Sent Items with its attachments; and reads the file that the
' transport wrote for it.
Const mfldTypeSent = 2
Const micHigh = 2

Function DefaultStore(session)
  Dim i
  For i = 0 To session.StoreCount - 1
    If session.MsgStore(i).Default Then Set DefaultStore = session.MsgStore(i)
  Next
End Function

' The sent message with that subject, once the spooler has filed it (at most ten seconds;
' the folder object is made again each time, as it reads its contents when it is made).
Function SentMessage(session, subject)
  Dim started, folder, j
  Set SentMessage = Nothing
  started = Timer
  Do
    Set folder = DefaultStore(session).StandardFolder(mfldTypeSent)
    For j = 0 To folder.MessageCount - 1
      If folder.MessageProperty(j, 2) = subject Then Set SentMessage = folder.Message(j)
    Next
  Loop While SentMessage Is Nothing And Abs(Timer - started) < 10
End Function

' Two files to attach.
Dim fso, temp, first, second, stream
Set fso = CreateObject("Scripting.FileSystemObject")
temp = fso.GetSpecialFolder(2)
first = fso.BuildPath(temp, "kelmsgs-agenda.txt")
second = fso.BuildPath(temp, "kelmsgs-figures.csv")
Set stream = fso.CreateTextFile(first, True) : stream.Write "Agenda: budget, hiring" : stream.Close
Set stream = fso.CreateTextFile(second, True) : stream.Write "q1,q2" & vbCrLf & "10,12" : stream.Close

' The transport's directory, and what is in it already.
Dim outgoing, before, file
outgoing = fso.BuildPath(fso.BuildPath(processEnv("KELMSGS_SCRIPT_STORES"), "sample"), "outgoing")
Check fso.FolderExists(outgoing), "outgoing directory " & outgoing
before = ""
For Each file In fso.GetFolder(outgoing).Files
  before = before & "|" & file.Name
Next

Dim session, subject
Set session = CreateObject("KelMsgs.QMXSession")
session.MAPIInit True
Check session.Logon("", ""), "logon"

' Without the send password nothing is sent.
On Error Resume Next
session.SendMail "Refused", "x", "", "Mia Novak", "", "", micHigh, False
Check Err.Number = &H80004005, "refused: " & Hex(Err.Number)
Check Err.Description = "No permission to send mails.", "refusal text: " & Err.Description
Err.Clear
On Error GoTo 0

session.SndPwd = "KorPimLud"
subject = "Weekly status " & fso.GetTempName()
session.SendMail subject, "Plain body", "{\rtf1\ansi Status in \b bold\b0 text.\par}", _
  "Mia Novak;Tom Reyes", "Lena Park", first & ";" & second, micHigh, True

' Filed in Sent Items with both attachments.
Dim message
Set message = SentMessage(session, subject)
Check Not message Is Nothing, "in Sent Items"
If Not message Is Nothing Then
  Check message.AttachmentCount = 2, "attachments: " & message.AttachmentCount
  Check message.Attachment(0).Filename = "kelmsgs-agenda.txt", "first name"
  Check message.Attachment(1).Filename = "kelmsgs-figures.csv", "second name"
End If

' The transport's new file: its headers name every recipient and attachment.
Dim mail
mail = ""
For Each file In fso.GetFolder(outgoing).Files
  If InStr(before & "|", "|" & file.Name & "|") = 0 And LCase(fso.GetExtensionName(file.Name)) = "eml" Then
    mail = fso.OpenTextFile(file.Path).ReadAll()
  End If
Next
Check InStr(mail, "Subject: " & subject) > 0, "subject in the file"
Check InStr(mail, "<mia.novak@example.com>") > 0, "first To"
Check InStr(mail, "<tom.reyes@example.com>") > 0, "second To"
Check InStr(mail, "Cc: ""Lena Park"" <lena.park@example.com>") > 0, "Cc"
Check InStr(mail, "filename=""kelmsgs-agenda.txt""") > 0, "first attachment"
Check InStr(mail, "filename=""kelmsgs-figures.csv""") > 0, "second attachment"
Check InStr(mail, "Importance: high") > 0, "importance"

session.Logoff True
fso.DeleteFile first
fso.DeleteFile second
Report
