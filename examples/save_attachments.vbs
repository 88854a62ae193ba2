' Saves every attachment of every message in the default store's Inbox into one folder
' and lists the files written with their sizes.
' Run with:  cscript //nologo save_attachments.vbs [folder]
Option Explicit
Const mfldTypeInbox = 0

Dim session, fso, target, i, store, inbox, j, k, message, attachment, saved, count
Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count > 0 Then
  target = WScript.Arguments(0)
Else
  target = fso.BuildPath(fso.GetSpecialFolder(2), "KelMsgs attachments")
End If
If Not fso.FolderExists(target) Then fso.CreateFolder target

Set session = CreateObject("KelMsgs.QMXSession")
If Not session.Logon("", "") Then
  WScript.Echo "Logon failed: no messaging profile is running."
  WScript.Quit 1
End If

count = 0
For i = 0 To session.StoreCount - 1
  Set store = session.MsgStore(i)
  If store.Default Then
    Set inbox = store.StandardFolder(mfldTypeInbox)
    For j = 0 To inbox.MessageCount - 1
      Set message = inbox.Message(j)
      For k = 0 To message.AttachmentCount - 1
        Set attachment = message.Attachment(k)
        ' Save("") writes the attachment under its file name made safe (a name from mail may
        ' hold "..\" or a device name) and answers the path; empty when nothing was written.
        saved = attachment.Save("")
        If saved <> "" Then
          fso.CopyFile saved, fso.BuildPath(target, fso.GetFileName(saved)), True
          fso.DeleteFile saved
          saved = fso.BuildPath(target, fso.GetFileName(saved))
          WScript.Echo message.Subject & ": " & fso.GetFileName(saved) & " (" & _
            fso.GetFile(saved).Size & " bytes)"
          count = count + 1
        Else
          WScript.Echo message.Subject & ": " & attachment.Filename & " not saved (not stored in the message)"
        End If
      Next
    Next
  End If
Next
session.Logoff
WScript.Echo count & " attachment(s) saved in " & target
