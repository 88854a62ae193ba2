' Watches the default store for new and changed messages. On Windows the session's events
' arrive through WScript.ConnectObject (the Session_ subroutines below); the session also
' records every message event in its registry queue when TrackEvents is on, which this
' script reads as well, so it works in hosts that cannot receive events.
' To see something happen at once, it creates a message of its own in the Inbox (and
' deletes it at the end).
' Run with:  cscript //nologo watch_new_mail.vbs [seconds]
Option Explicit
Const mfldTypeInbox = 0
Const rhCurrentUser = 1

Dim session, tools, lookup, shell, store, i, seconds, queueKey, seen
seconds = 5
If WScript.Arguments.Count > 0 Then seconds = CLng(WScript.Arguments(0))
Set session = CreateObject("KelMsgs.QMXSession")
Set tools = CreateObject("KelMsgs.QMXRegistryTools")
Set lookup = CreateObject("KelMsgs.QMXRegistryTools")   ' one enumeration per object
Set shell = CreateObject("WScript.Shell")
session.MAPIInit True          ' notifications on MAPI's own thread: no message loop needed
If Not session.Logon("", "") Then
  WScript.Echo "Logon failed: no messaging profile is running."
  WScript.Quit 1
End If

' 1. Events of the default store, as events and in the queue.
For i = 0 To session.StoreCount - 1
  If session.MsgStore(i).Default Then Set store = session.MsgStore(i)
Next
store.Advise session
On Error Resume Next
WScript.ConnectObject session, "Session_"
If Err.Number <> 0 Then WScript.Echo "(This script host delivers no events: the queue tells instead.)"
On Error GoTo 0
session.TrackEvents = True
queueKey = "Software\Vexa\Quillora\" & session.CurrentProfileName & "\AutoUpdate"
seen = QueueCount()
WScript.Echo "Watching " & store.DisplayName & " for " & seconds & " seconds..."

' 2. A message of our own, so there is something to see.
Dim inbox, note
Set inbox = store.StandardFolder(mfldTypeInbox)
Set note = session.CreateMessage(inbox.FolderID, store.EntryId, Nothing)
note.Save                                ' commits the new message in the store

' 3. Wait until the queue has a new record, or the time is up. (Between looks a script
'    would rest with WScript.Sleep; not every script host has it, so this one just looks.)
Dim started
started = Timer
Do While QueueCount() = seen And Timer < started + seconds
Loop
ShowQueue
session.DeleteMessage note.MessageID, inbox.FolderID, store.EntryId
store.Unadvise
session.TrackEvents = False
session.Logoff

' The number of events the session has recorded in its queue.
Function QueueCount()
  Dim n, v
  QueueCount = 0
  n = tools.EnumValuesReg(rhCurrentUser, queueKey)
  For v = 0 To n - 1
    If tools.ValueName(v) = "Events" Then QueueCount = tools.ValueData(v)
  Next
End Function

' Each recorded event: its kind and the folder of the message it names.
Sub ShowQueue()
  Dim n, v, id, kind, folder
  n = tools.EnumValuesReg(rhCurrentUser, queueKey & "\Event")
  WScript.Echo n & " event(s) recorded:"
  For v = 0 To n - 1
    id = tools.ValueName(v)
    Select Case tools.ValueData(v)
      Case 0: kind = "copied"
      Case 1: kind = "created"
      Case 2: kind = "deleted"
      Case 3: kind = "modified"
      Case 4: kind = "moved"
      Case 5: kind = "new mail"
      Case Else: kind = "event " & tools.ValueData(v)
    End Select
    ' The folder the queue recorded for the message, by its identifiers.
    Set folder = Nothing
    On Error Resume Next
    Set folder = session.StoreFolder(QueueValue("FolderId", id), QueueValue("StoreId", id))
    On Error GoTo 0
    If folder Is Nothing Then
      WScript.Echo "  " & kind & ": a message in a folder that is gone"
    Else
      WScript.Echo "  " & kind & ": a message in " & folder.DisplayName
    End If
  Next
  ClearQueue
End Sub

' The queue is the client's to empty: every part, then the key itself.
Sub ClearQueue()
  Dim part
  For Each part In Array("Event", "StoreId", "FolderId", "OldEntryId", "OldFolderId", _
                         "NewFolder\Store", "NewFolder\Parent", "NewFolder")
    tools.DeleteSubKey rhCurrentUser, queueKey & "\" & part
  Next
  tools.DeleteSubKey rhCurrentUser, queueKey
End Sub

' A value of the queue's record for one message.
Function QueueValue(part, id)
  Dim n, v
  QueueValue = ""
  n = lookup.EnumValuesReg(rhCurrentUser, queueKey & "\" & part)
  For v = 0 To n - 1
    If lookup.ValueName(v) = id Then QueueValue = lookup.ValueData(v)
  Next
End Function

' Events as they arrive, where the script host delivers them.
Sub Session_NewMail(msg)
  WScript.Echo "  (event) new mail: " & msg.Subject
End Sub
Sub Session_MessageCreated(msg)
  WScript.Echo "  (event) created: " & msg.Subject
End Sub
