' The start every acceptance script shares (run-script.sh --prelude puts it in front of the
' script): the Check counter, the result line the runner looks for, and the check that the
' script host (and so the library it loads) has the bitness the runner asked for.
Option Explicit
Dim passed, failed, processEnv
passed = 0 : failed = 0
Set processEnv = CreateObject("WScript.Shell").Environment("Process")

Sub Check(ok, what)
  If ok Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Sub Report()
  WScript.Echo passed & " passed, " & failed & " failed"
End Sub

Check processEnv("PROCESSOR_ARCHITECTURE") = processEnv("KELMSGS_SCRIPT_ARCH"), _
  "bitness: " & processEnv("PROCESSOR_ARCHITECTURE")
