' Acceptance: a script copies every attachment of a message, and the message itself, with
' the host stand-in showing the progress, lists what was written with each file's size,
' stops the copy of a large attachment and cleans up.
Const mfldTypeInbox = 0

Function MessageIdBySubject(folder, subject)
  Dim j
  MessageIdBySubject = ""
  For j = 0 To folder.MessageCount - 1
    If folder.MessageProperty(j, 2) = subject Then MessageIdBySubject = folder.Message(j).MessageID
  Next
End Function

' Every file below a directory, with its size, by path below it.
Sub ListFiles(folder, prefix, found)
  Dim f, sub_
  For Each f In folder.Files
    found.Add prefix & f.Name, f.Size
  Next
  For Each sub_ In folder.SubFolders
    ListFiles sub_, prefix & sub_.Name & "\", found
  Next
End Sub

Dim session, store, inbox, host, fso, root, copyDir, found, name, storeId, target, i, sizes
Set fso = CreateObject("Scripting.FileSystemObject")
Set session = CreateObject("KelMsgs.QMXSession")
session.MAPIInit True
Check session.Logon("", ""), "logon"
For i = 0 To session.StoreCount - 1
  If session.MsgStore(i).Default Then Set store = session.MsgStore(i)
Next
storeId = store.EntryId
Set inbox = store.StandardFolder(mfldTypeInbox)
target = MessageIdBySubject(inbox, "Target")

' The host's toolbar and search control hear the progress.
Set host = CreateObject("KelMsgsHost.Toolbar")
session.ToolbarHWnd = host.ToolbarHWnd
session.SearchCtlHWnd = host.SearchCtlHWnd
Check session.ProgressbarEnabled, "progress bar on"
session.CleanupQlaTempDir

session.CopyAttachments MessageIdBySubject(inbox, "Project files"), storeId, target, storeId, True
' Four items: status, start, four percentages, the wind-up's three messages, the worker's end.
Check host.WaitForRecord(10, 20000), "the copy's messages: " & host.RecordCount
WScript.Echo host.Record
Check Not session.CopyingAttachments, "copy ended"
Check InStr(host.Record, "percent 25") > 0 And InStr(host.Record, "percent 100") > 0, "percentages"

root = fso.BuildPath(fso.GetSpecialFolder(2), "QLA")
copyDir = fso.BuildPath(root, target)
Check fso.FolderExists(copyDir), "copy directory"
Set found = CreateObject("Scripting.Dictionary")
ListFiles fso.GetFolder(copyDir), "", found
sizes = ""
For Each name In found.Keys
  WScript.Echo "Copied " & name & " (" & found(name) & " bytes)"
  If InStr(name, "\") > 0 Then sizes = sizes & Mid(name, InStr(name, "\") + 1) & "=" & found(name) & ";"
Next
Check found.Exists("Original Message.msg"), "the message itself"
Check found.Count = 4, "four files: " & found.Count
Check InStr(sizes, "plan.txt=25;") > 0, "plan.txt with its size: " & sizes
Check InStr(sizes, "notes.txt=22;") > 0, "a name from mail stays inside its directory"
Check InStr(sizes, ".msg=") > 0, "the embedded message as a message file"
Check Not fso.FileExists(fso.BuildPath(root, "notes.txt")), "nothing written above the copy"

' A copy of a large attachment, stopped at once: nothing is left half-written.
host.ClearRecord
session.CopyAttachments MessageIdBySubject(inbox, "Big upload"), storeId, target, storeId, False
session.StopAttachmentCopy
Check Not session.CopyingAttachments, "stopped"
Set found = CreateObject("Scripting.Dictionary")
ListFiles fso.GetFolder(copyDir), "", found
For Each name In found.Keys
  If Right(name, 7) = "big.bin" Then
    WScript.Echo "The large file was complete before the stop: " & found(name) & " bytes"
    Check found(name) = 140000, "no half-written file"
  End If
Next

' Clean-up: everything below the root goes, the root stays.
session.CleanupQlaTempDir
Check fso.FolderExists(root), "root kept"
Check fso.GetFolder(root).Files.Count = 0 And fso.GetFolder(root).SubFolders.Count = 0, "root empty"

session.Logoff
Report
