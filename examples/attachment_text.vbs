' Prints the text of every attachment in the default store's Inbox, and of every member
' when the attachment is an archive (ZIP, mail file), through the content engine. With a
' file path as argument, prints that file's text instead.
' Run with:  cscript //nologo attachment_text.vbs [file]
Option Explicit
Const mfldTypeInbox = 0

If WScript.Arguments.Count > 0 Then
  ShowFile WScript.Arguments(0)
  WScript.Quit 0
End If

Dim session, i, store, inbox, j, k, message, attachment
Set session = CreateObject("KelMsgs.QMXSession")
If Not session.Logon("", "") Then
  WScript.Echo "Logon failed: no messaging profile is running."
  WScript.Quit 1
End If
For i = 0 To session.StoreCount - 1
  Set store = session.MsgStore(i)
  If store.Default Then
    Set inbox = store.StandardFolder(mfldTypeInbox)
    For j = 0 To inbox.MessageCount - 1
      Set message = inbox.Message(j)
      For k = 0 To message.AttachmentCount - 1
        Set attachment = message.Attachment(k)
        WScript.Echo message.Subject & " / " & attachment.Filename & ":"
        If attachment.OpenContent() Then
          ShowText attachment.Content, attachment.ArchiveCount, attachment
          attachment.CloseContent
        Else
          WScript.Echo "  (no text)"
        End If
      Next
    Next
  End If
Next
session.Logoff

' The text of a file on disk.
Sub ShowFile(path)
  Dim content
  Set content = CreateObject("KelMsgs.QMXFileContent")
  ' The content engine's own trace log, for when a file gives no text.
  content.LogFile = CreateObject("Scripting.FileSystemObject").GetSpecialFolder(2) & "\kelmsgs-content.log"
  content.LoggingEnabled = True
  If Not content.Open(Nothing, path) Then
    WScript.Echo path & ": the content engine cannot read it"
    Exit Sub
  End If
  WScript.Echo path & " (" & content.Size & " bytes):"
  ShowText content.FileContent, content.ArchiveCount, content
  content.Close
End Sub

' The text itself, or each archive member's name, size and text.
Sub ShowText(text, members, source)
  Dim m
  If members = 0 Then
    WScript.Echo Indent(text)
    Exit Sub
  End If
  For m = 0 To members - 1
    WScript.Echo "  member " & source.ArchiveFilename(m) & " (" & source.ArchiveFilesize(m) & " bytes)"
    WScript.Echo Indent(source.ArchiveContent(m))
  Next
End Sub

' The first 300 characters, indented, on lines of their own.
Function Indent(text)
  Dim t
  t = Replace(Replace(Left(text, 300), vbCrLf, vbLf), vbCr, vbLf)
  Indent = "    " & Replace(t, vbLf, vbCrLf & "    ")
End Function
