' KelMsgs demo: logs on to the running messaging profile and walks its mailbox - stores,
' folders and messages - the way a script client does on Windows.
' Run with:  cscript //nologo demo.vbs
Option Explicit
Const mfldTypeInbox = 0
Const mpSubject = 2
Const mpDeliveryTime = 3
Const mpAttachments = 1

Dim session, ok, i, store
Set session = CreateObject("KelMsgs.QMXSession")
session.MAPIInit True
ok = session.Logon("", "")
If Not ok Then
  WScript.Echo "Logon failed: no messaging profile is running."
  WScript.Quit 1
End If

WScript.Echo "Profile " & session.CurrentProfileName & " (user " & session.CurrentUser & "), " & _
  session.ProfileCount & " profile(s) on this machine"
WScript.Echo session.StoreCount & " message store(s)"
For i = 0 To session.StoreCount - 1
  Set store = session.MsgStore(i)
  WScript.Echo ""
  WScript.Echo "Store: " & store.DisplayName & Flags(store)
  WalkFolder store.RootFolder, "  ", 0
Next

' The newest message of the default store's inbox, in full.
For i = 0 To session.StoreCount - 1
  Set store = session.MsgStore(i)
  If store.Default Then ShowNewest store.StandardFolder(mfldTypeInbox)
Next

' Every attachment of the default store's inbox, with the text the content engine finds.
For i = 0 To session.StoreCount - 1
  Set store = session.MsgStore(i)
  If store.Default Then ShowAttachments store.StandardFolder(mfldTypeInbox)
Next

' A mail file attached to a message: its attachments and nested messages are members.
For i = 0 To session.StoreCount - 1
  Set store = session.MsgStore(i)
  If store.Default Then ShowMailAttachment store.StandardFolder(mfldTypeInbox), "Newsletters"
Next
ShowHostLink session
' A mail to the profile's own owner: the spooler files it in Sent Items and the owner
' receives it in the inbox.
For i = 0 To session.StoreCount - 1
  Set store = session.MsgStore(i)
  If store.Default Then SendToSelf store
Next
' The attachment copy service: every attachment of one message, and the message itself,
' copied into a temporary directory with the host add-in stand-in showing the progress.
For i = 0 To session.StoreCount - 1
  Set store = session.MsgStore(i)
  If store.Default Then CopyAttachmentsOf store, store.StandardFolder(mfldTypeInbox), "FW: Supplier contract"
Next

session.Logoff
WScript.Echo ""
WScript.Echo "Demo finished."

Function Flags(store)
  Flags = ""
  If store.Default Then Flags = Flags & " [default]"
  If store.Public Then Flags = Flags & " [public]"
End Function

Sub WalkFolder(folder, indent, depth)
  Dim j, child
  WScript.Echo indent & folder.DisplayName & " (" & folder.MessageCount & " messages)"
  For j = 0 To folder.MessageCount - 1
    If j >= 5 Then
      WScript.Echo indent & "    ..."
      Exit For
    End If
    WScript.Echo indent & "    - " & folder.MessageProperty(j, mpSubject) & _
      "  [" & folder.MessageProperty(j, mpDeliveryTime) & "]" & Paperclip(folder, j)
  Next
  If depth < 4 Then
    For j = 0 To folder.SubfolderCount - 1
      Set child = folder.Folder(j)
      WalkFolder child, indent & "  ", depth + 1
    Next
  End If
End Sub

Function Paperclip(folder, j)
  Paperclip = ""
  If folder.MessageProperty(j, mpAttachments) Then Paperclip = " (attachments)"
End Function

Sub ShowNewest(inbox)
  Dim count, message
  If inbox Is Nothing Then Exit Sub
  count = inbox.MessageCount
  If count = 0 Then Exit Sub
  Set message = inbox.Message(count - 1)
  WScript.Echo ""
  WScript.Echo "Newest message in " & inbox.DisplayName & ":"
  WScript.Echo "  Subject: " & message.Subject
  WScript.Echo "  Class:   " & message.MessageClass
  WScript.Echo "  Sent:    " & message.SentTime
  WScript.Echo "  Body:"
  WScript.Echo "    " & Replace(message.Body, vbCrLf, vbCrLf & "    ")
End Sub

Sub ShowAttachments(inbox)
  Dim j, k, message, attachment
  If inbox Is Nothing Then Exit Sub
  WScript.Echo ""
  WScript.Echo "Attachments in " & inbox.DisplayName & ":"
  For j = 0 To inbox.MessageCount - 1
    Set message = inbox.Message(j)
    For k = 0 To message.AttachmentCount - 1
      Set attachment = message.Attachment(k)
      WScript.Echo "  " & message.Subject & ": " & attachment.Filename & " (" & attachment.Size & _
        " bytes, extension """ & attachment.Extension & """)"
      ShowContent attachment
    Next
  Next
End Sub

Sub ShowContent(attachment)
  Dim m
  If Not attachment.OpenContent() Then
    WScript.Echo "      (no text: the attachment is not stored in the message)"
    Exit Sub
  End If
  If attachment.ArchiveCount > 0 Then
    For m = 0 To attachment.ArchiveCount - 1
      WScript.Echo "      member " & attachment.ArchiveFilename(m) & " (" & _
        attachment.ArchiveFilesize(m) & " bytes)"
      ShowLines attachment.ArchiveContent(m), "        "
    Next
  Else
    ShowLines attachment.Content, "      "
  End If
  attachment.CloseContent
End Sub

' The first three non-empty lines of a text.
Sub ShowLines(text, indent)
  Dim lines, n, shown
  lines = Split(Replace(Replace(text, vbCr, vbLf), vbFormFeed, vbLf), vbLf)
  shown = 0
  For n = 0 To UBound(lines)
    If Len(Trim(lines(n))) > 0 Then
      WScript.Echo indent & "| " & Trim(lines(n))
      shown = shown + 1
      If shown = 3 Then Exit For
    End If
  Next
End Sub

Sub ShowMailAttachment(inbox, folderName)
  Dim f, j, folder, message
  For f = 0 To inbox.SubfolderCount - 1
    If inbox.Folder(f).DisplayName = folderName Then Set folder = inbox.Folder(f)
  Next
  If IsEmpty(folder) Then Exit Sub
  WScript.Echo ""
  WScript.Echo "Mail attached in " & folderName & ":"
  For j = 0 To folder.MessageCount - 1
    Set message = folder.Message(j)
    If message.AttachmentCount > 0 Then
      WScript.Echo "  " & message.Subject & ": " & message.Attachment(0).Filename
      ShowContent message.Attachment(0)
    End If
  Next
End Sub

' The mail client's add-in (here its stand-in, where one is registered) hands the session its
' toolbar and search control; the search control hears which information text to show.
Sub ShowHostLink(session)
  Dim host
  On Error Resume Next
  Set host = CreateObject("KelMsgsHost.Toolbar")
  On Error GoTo 0
  If IsEmpty(host) Then Exit Sub
  Set session.QLAToolbar = host
  session.SearchCtlHWnd = host.SearchCtlHWnd
  session.SetSearchCtlInfoText 3
  If host.WaitForRecord(1, 5000) Then
    WScript.Echo ""
    WScript.Echo "Host search control received: " & host.RecordLine(0)
  End If
End Sub

Sub SendToSelf(store)
  Const mfldTypeSent = 2
  Const micNormal = 0
  Dim before, started, inbox, subject
  WScript.Echo ""
  before = store.StandardFolder(mfldTypeInbox).MessageCount
  subject = "Note to self " & Now
  session.SndPwd = "KorPimLud"
  session.SendMail subject, "Sent by the demo.", "", "Jordan Avery", "", "", micNormal, False
  WScript.Echo "Sent """ & subject & """ to Jordan Avery"
  ' The spooler works on its own thread: wait (at most ten seconds) for the new mail.
  started = Timer
  Do
    Set inbox = store.StandardFolder(mfldTypeInbox)
  Loop While inbox.MessageCount = before And Abs(Timer - started) < 10
  If inbox.MessageCount > before Then
    WScript.Echo "  arrived in the inbox (" & inbox.MessageCount & " messages now); " & _
      store.StandardFolder(mfldTypeSent).MessageCount & " message(s) in Sent Items"
  Else
    WScript.Echo "  not arrived yet"
  End If
End Sub

' Copies the attachments of the inbox message with that subject, and the message itself,
' into the message's copy directory, and lists the files and what the host was shown.
Sub CopyAttachmentsOf(store, inbox, subject)
  Dim host, fso, j, id, dir, f, sub_
  If inbox Is Nothing Then Exit Sub
  id = ""
  For j = 0 To inbox.MessageCount - 1
    If inbox.MessageProperty(j, 2) = subject Then id = inbox.Message(j).MessageID
  Next
  If id = "" Then Exit Sub
  Set host = CreateObject("KelMsgsHost.Toolbar")
  session.ToolbarHWnd = host.ToolbarHWnd
  session.SearchCtlHWnd = host.SearchCtlHWnd
  session.CopyAttachments id, store.EntryId, id, store.EntryId, True
  ' Status, start, two percentages, the wind-up's three messages and the worker's end.
  host.WaitForRecord 8, 20000
  WScript.Echo ""
  WScript.Echo "Attachments of """ & subject & """ copied; the host was shown:"
  WScript.Echo "  " & Replace(Trim(host.Record), vbLf, vbLf & "  ")
  Set fso = CreateObject("Scripting.FileSystemObject")
  dir = fso.BuildPath(fso.BuildPath(fso.GetSpecialFolder(2), "QLA"), id)
  If Not fso.FolderExists(dir) Then Exit Sub
  For Each f In fso.GetFolder(dir).Files
    WScript.Echo "  " & f.Name & " (" & f.Size & " bytes)"
  Next
  For Each sub_ In fso.GetFolder(dir).SubFolders
    For Each f In sub_.Files
      WScript.Echo "  " & sub_.Name & "\" & f.Name & " (" & f.Size & " bytes)"
    Next
  Next
  session.CleanupQlaTempDir
End Sub
