' Acceptance: a script reads the text of every kind of attachment in the sample mailbox,
' lists the members of an archive with their sizes and texts, and saves an attachment.
Const mfldTypeInbox = 0

Function MessageBySubject(folder, subject)
  Dim j
  Set MessageBySubject = Nothing
  For j = 0 To folder.MessageCount - 1
    If folder.MessageProperty(j, 2) = subject Then Set MessageBySubject = folder.Message(j)
  Next
End Function

Dim session, store, inbox, message, attachment, i, text, fso, saved
Set session = CreateObject("KelMsgs.QMXSession")
session.MAPIInit True
Check session.Logon("", ""), "logon"
For i = 0 To session.StoreCount - 1
  If session.MsgStore(i).Default Then Set store = session.MsgStore(i)
Next
Set inbox = store.StandardFolder(mfldTypeInbox)

' A document: its text, without the markup of the file format.
Set message = MessageBySubject(inbox, "Quarterly report")
Check message.AttachmentCount = 1, "one attachment"
Set attachment = message.Attachment(0)
Check attachment.Filename = "Quarterly report.docx", "file name: " & attachment.Filename
Check attachment.Extension = "docx", "extension"
Check attachment.OpenContent(), "document opens"
text = attachment.Content
WScript.Echo "Document text: " & text
Check InStr(text, "Revenue grew by 12 percent in the third quarter.") > 0, "document text"
Check InStr(text, "<w:") = 0, "no markup"
Check attachment.ArchiveCount = 0, "a document is no archive"
attachment.CloseContent

' An archive: each member's name, size and text.
Set message = MessageBySubject(inbox, "Offsite photos")
Set attachment = message.Attachment(0)
Check attachment.OpenContent(), "archive opens"
Check attachment.ArchiveCount = 2, "two members: " & attachment.ArchiveCount
For i = 0 To attachment.ArchiveCount - 1
  WScript.Echo "Member " & attachment.ArchiveFilename(i) & " (" & attachment.ArchiveFilesize(i) & _
    " bytes): " & attachment.ArchiveContent(i)
Next
Check attachment.ArchiveFilename(0) = "readme.txt", "first member"
Check attachment.ArchiveFilesize(0) = 31, "first member's size"
Check InStr(attachment.ArchiveContent(0), "Photos from the team offsite.") = 1, "first member's text"
Check attachment.ArchiveFilename(1) = "agenda.txt", "second member"
Check InStr(attachment.ArchiveContent(1), "12:00 Lunch") > 0, "second member's text"
On Error Resume Next
text = attachment.ArchiveFilename(2)
Check Err.Number <> 0, "member index out of range"
On Error GoTo 0
attachment.CloseContent

' Plain text, and the body of an embedded message.
Set attachment = MessageBySubject(inbox, "Meeting notes").Attachment(0)
Check attachment.OpenContent(), "text file opens"
Check InStr(attachment.Content, "Hiring plan next week.") > 0, "text file's text"
attachment.CloseContent
Set attachment = MessageBySubject(inbox, "FW: Supplier contract").Attachment(0)
Check attachment.Extension = "msg", "embedded message extension"
Check attachment.OpenContent(), "embedded message opens"
Check InStr(attachment.Content, "The signed contract is ready for review.") > 0, "embedded body"
attachment.CloseContent

' A link to a file elsewhere has no content here.
Set attachment = MessageBySubject(inbox, "Shared drive link").Attachment(0)
Check Not attachment.OpenContent(), "reference has no content"

' Saving an attachment where the script says.
Set fso = CreateObject("Scripting.FileSystemObject")
saved = fso.BuildPath(fso.GetSpecialFolder(2), "kelmsgs-notes-" & fso.GetTempName())
Set message = MessageBySubject(inbox, "Meeting notes")
Check message.SaveAttachment(0, saved), "save attachment"
Check fso.FileExists(saved), "saved file exists"
If fso.FileExists(saved) Then
  Check fso.GetFile(saved).Size = 42, "saved size: " & fso.GetFile(saved).Size
  fso.DeleteFile saved
End If

session.Logoff
Report
