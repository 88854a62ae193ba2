// Backs up a registry key, with its values and subkeys, to a file and lists what it holds.
// Uses a key of its own under HKEY_CURRENT_USER, so it is safe to run.
// Run with:  cscript //nologo backup_registry_key.js
var rhCurrentUser = 1;
var subKey = "Software\\KelMsgs Samples\\Backup";
var shell = WScript.CreateObject("WScript.Shell");
var fso = WScript.CreateObject("Scripting.FileSystemObject");
var tools = WScript.CreateObject("KelMsgs.QMXRegistryTools");

// 1. A key with a few values and a subkey to back up.
shell.RegWrite("HKCU\\" + subKey + "\\Server", "mail.example.com", "REG_SZ");
shell.RegWrite("HKCU\\" + subKey + "\\Port", 993, "REG_DWORD");
shell.RegWrite("HKCU\\" + subKey + "\\Folders\\Archive", "Archive 2026", "REG_SZ");
WScript.Echo(subKey + ":");
var values = tools.EnumValuesReg(rhCurrentUser, subKey);
for (var i = 0; i < values; i++) WScript.Echo("  " + tools.ValueName(i) + " = " + tools.ValueData(i));
var keys = tools.EnumSubkeysReg(rhCurrentUser, subKey);
for (var k = 0; k < keys; k++) WScript.Echo("  [" + tools.SubkeyName(k) + "]");

// 2. The backup file. tools.RestoreKey(rhCurrentUser, subKey, backup) puts the key back
//    as it was saved.
var backup = fso.BuildPath(fso.GetSpecialFolder(2).Path, "kelmsgs-backup.reg");
if (fso.FileExists(backup)) fso.DeleteFile(backup);
tools.SaveKey(rhCurrentUser, subKey, backup);
WScript.Echo("Saved to " + backup + " (" + fso.GetFile(backup).Size + " bytes)");

// 3. The sample's key removed again: subkeys first, as the registry requires.
tools.DeleteSubKey(rhCurrentUser, subKey + "\\Folders");
tools.DeleteSubKey(rhCurrentUser, subKey);
tools.DeleteSubKey(rhCurrentUser, "Software\\KelMsgs Samples");
WScript.Echo("Removed the sample key: " + tools.EnumSubkeysReg(rhCurrentUser, "Software\\KelMsgs Samples") + " subkeys left");
