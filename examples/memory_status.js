// Prints the machine's memory figures, the way a monitoring script logs them.
// Run with:  cscript //nologo memory_status.js
var status = WScript.CreateObject("KelMsgs.QMXMemoryStatus");
status.GetMemoryStatus();

// The figures are 32-bit Longs: 2 GB and more read as negative numbers (add 4 GB), and a
// figure of 4 GB or more is reported as 4 GB less one byte.
function mb(figure) {
  var bytes = figure < 0 ? figure + 4294967296 : figure;
  var text = Math.floor(bytes / 1048576) + " MB";
  return bytes == 4294967295 ? "4096 MB or more" : text;
}
WScript.Echo("Memory in use: " + status.MemoryLoad + "%");
WScript.Echo("Physical:  " + mb(status.TotalPhysical) + " in all, " + mb(status.AvailablePhysical) +
             " available");
WScript.Echo("Page file: " + mb(status.TotalPageFile) + " in all, " + mb(status.AvailablePageFile) +
             " available");
WScript.Echo("Virtual:   " + mb(status.TotalVirtual) + " in all, " + mb(status.AvailableVirtual) +
             " available, " + mb(status.UsedVirtual) + " used");
