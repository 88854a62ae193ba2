' Acceptance: a script logs on through KelMsgs.QMXSession, walks stores, folders and
' messages late-bound, and gets errors through Err.
Const mfldTypeInbox = 0

Dim session, ok, store, inbox, root, message, i, names
Set session = CreateObject("KelMsgs.QMXSession")
Check session.BuildNumber = 47, "build number"
session.MAPIInit True
ok = session.Logon("", "")
Check ok, "logon"
Check session.StoreCount = 2, "two stores: " & session.StoreCount
Check session.MsgStoreDisplayName(0) = "Archive", "stores by display name"
Check session.CurrentProfileName = "Script", "current profile: " & session.CurrentProfileName

Set store = session.MsgStore(1)
Check store.DisplayName = "Mailbox", "store object"
Check store.Default, "default store"
Set inbox = store.StandardFolder(mfldTypeInbox)
Check inbox.DisplayName = "Inbox", "inbox by kind"
Check inbox.MessageCount = 1, "one message"
Set message = inbox.Message(0)
Check message.Subject = "Hello from the script test", "subject: " & message.Subject
Check message.Body = "Plain body text", "body"
Check Len(message.MessageID) > 0 And message.FolderID = inbox.FolderID, "identifiers"
Set message = session.Message(message.MessageID, store.EntryId)
Check message.Subject = "Hello from the script test", "message by identifier"

Set root = store.RootFolder
names = ""
For i = 0 To root.SubfolderCount - 1
  names = names & root.SubfolderName(i) & ";"
Next
Check InStr(names, "Projects;") > 0, "subfolders: " & names

On Error Resume Next
Err.Clear
Set message = inbox.Message(5)
Check Err.Number = 5, "index out of range: " & Err.Number
Err.Clear
Set store = session.MsgStore(9)
Check Err.Number = 5, "store index out of range: " & Err.Number
On Error GoTo 0

session.Logoff
Check session.StoreCount = 2, "store count kept after logoff"
Report
