' Acceptance: QMXRegistryTools created by ProgID, called late-bound, with errors reaching Err.
Const rhCurrentUser = 1

Dim shell, base, r, n, i, names
Set shell = CreateObject("WScript.Shell")
base = "Software\KelMsgsScriptTest"
shell.RegWrite "HKCU\" & base & "\Text", "hello", "REG_SZ"
shell.RegWrite "HKCU\" & base & "\Number", 42, "REG_DWORD"
shell.RegWrite "HKCU\" & base & "\Child\Value", "x", "REG_SZ"

Set r = CreateObject("KelMsgs.QMXRegistryTools")
n = r.EnumValuesReg(rhCurrentUser, base)
Check n = 2, "two values listed"
names = ""
For i = 0 To n - 1
  names = names & "[" & r.ValueName(i) & "=" & r.ValueData(i) & "]"
Next
Check InStr(names, "[Text=hello]") > 0, "string value read back: " & names
Check InStr(names, "[Number=42]") > 0, "number value read back: " & names

n = r.EnumSubkeysReg(rhCurrentUser, base)
Check n = 1, "one subkey listed"
Check r.SubkeyName(0) = "Child", "subkey name"

On Error Resume Next
Err.Clear
r.ValueName 5
Check Err.Number = 5, "index out of range gives E_INVALIDARG (runtime error 5): " & Err.Number
Err.Clear
r.EnumValuesReg rhCurrentUser, ""
Check Err.Number = 5, "empty subkey gives E_INVALIDARG (runtime error 5): " & Err.Number
Err.Clear
r.DeleteValue rhCurrentUser, base, "NoSuchValue"
Check Err.Number = &H80004005, "failing DeleteValue gives E_FAIL"
Check Err.Source = "KelMsgs.QMXRegistryTools.1", "error source is the ProgID: " & Err.Source
Check Err.Description = "DeleteValue failed.", "error description: " & Err.Description
Err.Clear
r.DeleteValue rhCurrentUser, base, "Text"
Check Err.Number = 0, "existing value deleted"
On Error GoTo 0

n = r.EnumValuesReg(rhCurrentUser, base)
Check n = 1, "one value left"
r.DeleteSubKey rhCurrentUser, base & "\Child"
r.DeleteSubKey rhCurrentUser, base
Check r.EnumSubkeysReg(rhCurrentUser, base) = 0, "keys deleted"

Set r = CreateObject("KelMsgs.QMXRegistryTools.1")
Check TypeName(r) = "IQMXRegistryTools", "version-dependent ProgID creates the class"

Report
