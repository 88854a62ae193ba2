' Acceptance: QMXMemoryStatus created by ProgID and called late-bound.

Dim m
Set m = CreateObject("KelMsgs.QMXMemoryStatus")
Check m.MemoryLoad = 0 And m.TotalPhysical = 0 And m.UsedVirtual = 0, "figures are 0 before a snapshot"
m.GetMemoryStatus
Check m.MemoryLoad >= 0 And m.MemoryLoad <= 100, "memory load is a percentage"
Check m.TotalPhysical <> 0, "total physical memory is known"
Dim used
used = CDbl(m.TotalPhysical) - CDbl(m.AvailablePhysical)
If used > 2147483647 Then used = used - 4294967296
If used < -2147483648 Then used = used + 4294967296
Check m.UsedPhysical = used, "used physical is total minus available"
Dim first
first = m.AvailablePageFile
Check m.AvailablePageFile = first, "figures stay those of the snapshot"

Set m = CreateObject("KelMsgs.QMXMemoryStatus.1")
Check TypeName(m) = "IQMXMemoryStatus", "version-dependent ProgID creates the class"

Report
