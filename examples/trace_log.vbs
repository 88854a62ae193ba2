' Switches on the trace logs of the session and of the objects it hands out, walks a little
' of the mailbox, and shows what the logs recorded: the first thing to do when a script
' misbehaves on a user's machine.
' Run with:  cscript //nologo trace_log.vbs
Option Explicit
Const mfldTypeInbox = 0
Dim fso, folderPath, session, store, inbox, message, attachment, i, name
Set fso = CreateObject("Scripting.FileSystemObject")
folderPath = fso.GetSpecialFolder(2)

Set session = CreateObject("KelMsgs.QMXSession")
session.LogFile = fso.BuildPath(folderPath, "kelmsgs-session.log")
session.LoggingEnabled = True
session.AppendLog = False                 ' a fresh log, starting with the version line
If Not session.Logon("", "") Then
  WScript.Echo "Logon failed: no messaging profile is running."
  WScript.Quit 1
End If
For i = 0 To session.StoreCount - 1
  If session.MsgStore(i).Default Then Set store = session.MsgStore(i)
Next
' Stores log when LoggingEnabled is on; folders, messages and attachments log whenever they
' have a LogFile.
store.LogFile = fso.BuildPath(folderPath, "kelmsgs-store.log")
store.LoggingEnabled = True
Set inbox = store.StandardFolder(mfldTypeInbox)
inbox.LogFile = fso.BuildPath(folderPath, "kelmsgs-folder.log")
Set message = inbox.Message(0)
message.LogFile = fso.BuildPath(folderPath, "kelmsgs-message.log")
If message.AttachmentCount > 0 Then
  Set attachment = message.Attachment(0)
  attachment.LogFile = fso.BuildPath(folderPath, "kelmsgs-attach.log")
  attachment.OpenContent
  attachment.CloseContent
End If
Set attachment = Nothing
Set message = Nothing
Set inbox = Nothing
Set store = Nothing
session.Logoff
Set session = Nothing

For Each name In Array("session", "store", "folder", "message", "attach")
  Show fso.BuildPath(folderPath, "kelmsgs-" & name & ".log")
Next

' The first lines of a log. The session's trace log is tab-separated (time and class,
' operation, message, source): its operation and message are shown. The object logs of
' stores, folders, messages and attachments write "time ---> message".
Sub Show(path)
  Dim lines, text, fields, shown
  If Not fso.FileExists(path) Then Exit Sub
  WScript.Echo fso.GetFileName(path) & ":"
  Set lines = fso.OpenTextFile(path, 1)
  shown = 0
  Do While Not lines.AtEndOfStream And shown < 8
    text = lines.ReadLine
    fields = Split(text, vbTab)
    If UBound(fields) >= 2 Then
      WScript.Echo "  " & fields(1) & ": " & fields(2)
    Else
      WScript.Echo "  " & text
    End If
    shown = shown + 1
  Loop
  lines.Close
End Sub
