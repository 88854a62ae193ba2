' Late-bound property gets from a script (MessageCount, MessageProperty(i, 2), Subject)
' against a Scripting.Dictionary Item get in the same script, over the profile
' `standin-profile generate` makes (one folder, "Folder 0", of 10,000 messages).
' Prints one "BENCH<tab>figure<tab>library us<tab>baseline us<tab>target" line per figure
' (microseconds per get, best of three timed loops) and the runner's result line.
'   cscript //nologo late_bound.vbs [gets per loop]
Option Explicit
Const mpSubject = 2
Const kMessages = 10000
Dim passed, failed
passed = 0 : failed = 0

Sub Check(ok, what)
  If ok Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Dim gets
gets = 100000
If WScript.Arguments.Count > 0 Then gets = CLng(WScript.Arguments(0))

' The generated folder and its first message.
Dim session, root, folder, message, i
Set session = CreateObject("KelMsgs.QMXSession")
Check session.Logon("", ""), "logon"
Set root = session.MsgStore(0).RootFolder
For i = 0 To root.SubfolderCount - 1
  If root.SubfolderName(i) = "Folder 0" Then Set folder = root.Folder(i)
Next
Check IsObject(folder), "the generated folder"
Check folder.MessageCount = kMessages, "messages: " & folder.MessageCount
Set message = folder.Message(0)
Check message.Subject = folder.MessageProperty(0, mpSubject), "subject of the first message"

' The baseline: the same subjects in a dictionary. Its keys are strings held in an array
' (Wine's dictionary takes some distinct integer keys for the same one).
Dim dict, keys(9999)
Set dict = CreateObject("Scripting.Dictionary")
For i = 0 To kMessages - 1
  keys(i) = "k" & i
  dict.Add keys(i), folder.MessageProperty(i, mpSubject)
Next
Check dict.Item(keys(kMessages - 1)) = folder.MessageProperty(kMessages - 1, mpSubject), _
  "dictionary"

' Seconds since t0 (Timer counts from midnight).
Function Since(t0)
  Dim e
  e = Timer - t0
  If e < 0 Then e = e + 86400
  Since = e
End Function

' Each loop computes the same index, so loop overhead is alike in every figure (the
' dictionary's also reads its key from the array).
Function CountLoop()
  Dim i, x, t0
  t0 = Timer
  For i = 0 To gets - 1
    x = folder.MessageCount + (i Mod kMessages)
  Next
  CountLoop = Since(t0)
End Function
Function PropertyLoop()
  Dim i, x, t0
  t0 = Timer
  For i = 0 To gets - 1
    x = folder.MessageProperty(i Mod kMessages, mpSubject)
  Next
  PropertyLoop = Since(t0)
End Function
Function SubjectLoop()
  Dim i, x, y, t0
  t0 = Timer
  For i = 0 To gets - 1
    y = i Mod kMessages
    x = message.Subject
  Next
  SubjectLoop = Since(t0)
End Function
Function DictionaryLoop()
  Dim i, x, t0
  t0 = Timer
  For i = 0 To gets - 1
    x = dict.Item(keys(i Mod kMessages))
  Next
  DictionaryLoop = Since(t0)
End Function

Function Best(name)
  Dim r, t, lowest
  lowest = -1
  For r = 1 To 3
    Select Case name
      Case "Count": t = CountLoop()
      Case "Property": t = PropertyLoop()
      Case "Subject": t = SubjectLoop()
      Case Else: t = DictionaryLoop()
    End Select
    If lowest < 0 Or t < lowest Then lowest = t
  Next
  Best = lowest
End Function

' Microseconds per get to the nanosecond, written with a dot whatever the locale.
Function PerGet(seconds)
  Dim ns
  ns = CLng(seconds * 1000000000 / gets)
  PerGet = (ns \ 1000) & "." & Right("00" & (ns Mod 1000), 3)
End Function

Dim baseline
baseline = Best("Dictionary")
WScript.Echo "BENCH" & vbTab & "late-bound MessageCount" & vbTab & PerGet(Best("Count")) & _
  vbTab & PerGet(baseline) & vbTab & "1.2"
WScript.Echo "BENCH" & vbTab & "late-bound MessageProperty(i, 2)" & vbTab & _
  PerGet(Best("Property")) & vbTab & PerGet(baseline) & vbTab & "1.2"
WScript.Echo "BENCH" & vbTab & "late-bound Subject" & vbTab & PerGet(Best("Subject")) & _
  vbTab & PerGet(baseline) & vbTab & "1.2"
Check baseline > 0, "the timer moved"

session.Logoff True
WScript.Echo passed & " passed, " & failed & " failed"
