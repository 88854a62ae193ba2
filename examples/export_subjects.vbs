' Walks every folder of every message store and writes one CSV line per message:
' store, folder path, subject, delivery time and whether it has attachments.
' Run with:  cscript //nologo export_subjects.vbs [output.csv]
Option Explicit
Const mpSubject = 2
Const mpDeliveryTime = 3
Const mpAttachments = 1

Dim session, fso, path, csv, total, i, store
Set fso = CreateObject("Scripting.FileSystemObject")
If WScript.Arguments.Count > 0 Then
  path = WScript.Arguments(0)
Else
  path = fso.BuildPath(fso.GetSpecialFolder(2), "subjects.csv")   ' the temporary folder
End If

Set session = CreateObject("KelMsgs.QMXSession")
If Not session.Logon("", "") Then
  WScript.Echo "Logon failed: no messaging profile is running."
  WScript.Quit 1
End If

Set csv = fso.CreateTextFile(path, True)
csv.WriteLine "Store,Folder,Subject,Delivered,Attachments"
total = 0
For i = 0 To session.StoreCount - 1
  Set store = session.MsgStore(i)
  ExportFolder store.DisplayName, store.RootFolder, ""
Next
csv.Close
session.Logoff

WScript.Echo total & " messages written to " & path
Dim shown, lines
Set lines = fso.OpenTextFile(path)
shown = 0
Do While Not lines.AtEndOfStream And shown < 6
  WScript.Echo "  " & lines.ReadLine
  shown = shown + 1
Loop
lines.Close

' Every message of the folder, then its subfolders.
Sub ExportFolder(storeName, folder, parentPath)
  Dim j, folderPath
  folderPath = parentPath & "/" & folder.DisplayName
  For j = 0 To folder.MessageCount - 1
    csv.WriteLine Quote(storeName) & "," & Quote(folderPath) & "," & _
      Quote(folder.MessageProperty(j, mpSubject)) & "," & _
      Quote(folder.MessageProperty(j, mpDeliveryTime)) & "," & _
      LCase(CStr(CBool(folder.MessageProperty(j, mpAttachments))))
    total = total + 1
  Next
  For j = 0 To folder.SubfolderCount - 1
    ExportFolder storeName, folder.Folder(j), folderPath
  Next
End Sub

' A CSV field: in quotes, with quotes inside doubled.
Function Quote(value)
  Quote = """" & Replace(CStr(value), """", """""") & """"
End Function
