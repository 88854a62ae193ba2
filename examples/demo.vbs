' KelMsgs demo: reads the machine's memory status and walks a registry key.
' Run with:  cscript //nologo demo.vbs [root-number key-path]
Option Explicit
Const rhLocalMachine = 2

Function Mb(bytes)
  ' Figures of 2 GB and more arrive as negative 32-bit numbers.
  Dim b
  b = CDbl(bytes)
  If b < 0 Then b = b + 4294967296
  Mb = Round(b / 1048576) & " MB"
End Function

Dim status
Set status = CreateObject("KelMsgs.QMXMemoryStatus")
status.GetMemoryStatus
WScript.Echo "Memory status"
WScript.Echo "  load                " & status.MemoryLoad & " %"
WScript.Echo "  physical            " & Mb(status.TotalPhysical) & " total, " & Mb(status.AvailablePhysical) & " available, " & Mb(status.UsedPhysical) & " used"
WScript.Echo "  page file           " & Mb(status.TotalPageFile) & " total, " & Mb(status.AvailablePageFile) & " available, " & Mb(status.UsedPageFile) & " used"
WScript.Echo "  virtual             " & Mb(status.TotalVirtual) & " total, " & Mb(status.AvailableVirtual) & " available, " & Mb(status.UsedVirtual) & " used"
WScript.Echo ""

Dim root, path, tools, count, i, data
root = rhLocalMachine
path = "Software\Microsoft\Windows NT\CurrentVersion"
If WScript.Arguments.Count >= 2 Then
  root = CInt(WScript.Arguments(0))
  path = WScript.Arguments(1)
End If

Set tools = CreateObject("KelMsgs.QMXRegistryTools")
count = tools.EnumValuesReg(root, path)
WScript.Echo "Values of " & path & " (" & count & ")"
For i = 0 To count - 1
  data = tools.ValueData(i)
  If IsEmpty(data) Then data = "(not a string or number)"
  WScript.Echo "  " & tools.ValueName(i) & " = " & data
Next
count = tools.EnumSubkeysReg(root, path)
WScript.Echo "Subkeys of " & path & " (" & count & ")"
For i = 0 To count - 1
  WScript.Echo "  " & tools.SubkeyName(i)
Next
