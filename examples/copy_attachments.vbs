' Copies every attachment of the Inbox message with the most attachments, and the message
' itself as a ".msg" file, into the message's own folder under "%TEMP%\QLA", the way the mail
' client's add-in opens all attachments of a mail; lists what was written, then cleans up.
' The copy runs on a worker thread of the library: the script waits for CopyingAttachments.
' Run with:  cscript //nologo copy_attachments.vbs [/keep]
Option Explicit
Const mfldTypeInbox = 0
Const mpAttachments = 1
Dim session, fso, store, inbox, i, id, started, dir, keep

keep = WScript.Arguments.Count > 0
Set fso = CreateObject("Scripting.FileSystemObject")
Set session = CreateObject("KelMsgs.QMXSession")
session.MAPIInit True
If Not session.Logon("", "") Then
  WScript.Echo "Logon failed: no messaging profile is running."
  WScript.Quit 1
End If
For i = 0 To session.StoreCount - 1
  If session.MsgStore(i).Default Then Set store = session.MsgStore(i)
Next
Set inbox = store.StandardFolder(mfldTypeInbox)
Dim most, message
most = 0
For i = 0 To inbox.MessageCount - 1
  If inbox.MessageProperty(i, mpAttachments) Then
    Set message = inbox.Message(i)
    If message.AttachmentCount > most Then
      most = message.AttachmentCount
      id = message.MessageID
    End If
  End If
Next
If IsEmpty(id) Then
  WScript.Echo "No message with attachments in the Inbox."
  WScript.Quit 0
End If

' 1. The copy: source and target are the same message here; True adds the message itself.
dir = fso.BuildPath(fso.BuildPath(fso.GetSpecialFolder(2), "QLA"), id)
session.CopyAttachments id, store.EntryId, id, store.EntryId, True
' The worker reports CopyingAttachments once it has started: wait for the start (or for its
' directory, when it was quicker than this loop), then for the end.
started = Timer
Do While Not session.CopyingAttachments And Not fso.FolderExists(dir) And Abs(Timer - started) < 10
Loop
Do While session.CopyingAttachments And Abs(Timer - started) < 30
Loop
If session.CopyingAttachments Then
  session.StopAttachmentCopy        ' stops the worker and waits for it; nothing half-written
  WScript.Echo "The copy took too long and was stopped."
End If

' 2. What was written: the message, and each attachment in a folder of its own.
If fso.FolderExists(dir) Then
  WScript.Echo "Copied into %TEMP%\QLA\" & Left(id, 12) & "...:"
  List fso.GetFolder(dir), ""
End If

' 3. The copies are temporary: CleanupQlaTempDir empties "%TEMP%\QLA".
If Not keep Then session.CleanupQlaTempDir
session.Logoff

Sub List(folder, prefix)
  Dim f, subfolder
  For Each f In folder.Files
    WScript.Echo "  " & prefix & f.Name & " (" & f.Size & " bytes)"
  Next
  For Each subfolder In folder.SubFolders
    List subfolder, prefix & subfolder.Name & "\"
  Next
End Sub
