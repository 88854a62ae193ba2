' Acceptance: QMXMemoryStatus created by ProgID and called late-bound.

Dim m
Set m = CreateObject("KelMsgs.QMXMemoryStatus")
Check m.MemoryLoad = 0 And m.TotalPhysical = 0 And m.UsedVirtual = 0, "figures are 0 before a snapshot"
m.GetMemoryStatus
Check m.MemoryLoad >= 0 And m.MemoryLoad <= 100, "memory load is a percentage"
Check m.TotalPhysical <> 0, "total physical memory is known"

Report
