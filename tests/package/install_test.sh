#!/bin/bash
# Installs the 64-bit package under Wine the way an administrator does (msiexec /qn), and
# checks that it registers exactly what DllRegisterServer registers, that a script client
# works against the installed DLL, that a newer package replaces it, and that uninstalling
# leaves no class, ProgID, type library or interface key and no file behind. The build's
# own registration is put back at the end: other tests use it.
#   install_test.sh ROOT
set -uo pipefail
root=$(cd "${1:?repository root}" && pwd)
export KELMSGS_ARCH=x64
. "$root/cmake/wine-env.sh"
kelmsgs_wine_env "$root" || exit 1
bin="$root/build/mingw-x64/bin"
work="$root/build/package-test"
rm -rf "$work"
mkdir -p "$work"
run() { "$root/cmake/wine-run.sh" "$@"; }
failed=0
fail() { echo "install_test: $*" >&2; failed=1; }

# 1. The packages: this version and a newer one.
"$root/scripts/package.sh" x64 --out "$work/v1" >/dev/null || { echo "package failed" >&2; exit 1; }
"$root/scripts/package.sh" x64 --version 1.0.99 --out "$work/v2" >/dev/null || exit 1
rows="$work/v1/Registry-x64.idt"
# What a run stopped half-way may have left installed goes first.
for v in v2 v1; do run msiexec /x "$(kelmsgs_winpath "$work/$v/KelMsgs-x64.msi")" /qn >/dev/null 2>&1; done

# Every key the package writes, reduced to the keys that own them (a ProgID, a class, the
# type library, an interface), and their contents as the registry holds them; the DLL's
# path and folder read as <MODULE> and <DIR> so registrations from two places compare.
owners=$(tail -n +4 "$rows" | cut -f3 | tr -d '\r' |
  sed -E 's/^((CLSID|TypeLib|Interface)\\[^\\]+).*/\1/; s/^(KelMsgs\.[^\\]+).*/\1/' | sort -u)
dump() {  # dump MODULE_PATH
  local module=$1 dir=${1%\\*}
  local key
  while IFS= read -r key; do
    run reg query "HKCR\\$key" /s 2>/dev/null | tr -d '\r' | sed '/^$/d; /^reg: /d'
  done <<<"$owners" | M="$module" D="$dir" awk '{
      gsub(/\\/, "/"); mm = ENVIRON["M"]; dd = ENVIRON["D"]; gsub(/\\/, "/", mm); gsub(/\\/, "/", dd)
      i = index(tolower($0), tolower(mm)); if (i) $0 = substr($0, 1, i - 1) "<MODULE>" substr($0, i + length(mm))
      i = index(tolower($0), tolower(dd)); if (i) $0 = substr($0, 1, i - 1) "<DIR>" substr($0, i + length(dd))
      sub(/<DIR>\/$/, "<DIR>"); print }'
}
build_dll=$(kelmsgs_winpath "$bin/KelMsgs.dll")
# The type library's key is shared by both bitnesses: a 32-bit registration in the prefix
# is taken away for the test and put back at the end.
libid=$(tail -n +4 "$rows" | cut -f3 | sed -n 's/^TypeLib\\\([^\\]*\)\\.*/\1/p' | head -n 1)
other=$(run reg query "HKCR\\TypeLib\\$libid\\1.0\\0\\win32" /ve 2>/dev/null | tr -d '\r' |
  sed -n 's/.*REG_SZ *//p')
[ -z "$other" ] || "$root/cmake/wine-run.sh" --arch x86 regsvr32 /s /u "$other"
installed='C:\Program Files\KelMsgs\KelMsgs.dll'

# 2. What DllRegisterServer registers, then a clean registry.
run regsvr32 /s "$build_dll" || fail "regsvr32 of the build failed"
dump "$build_dll" >"$work/registered.txt"
[ -s "$work/registered.txt" ] || fail "nothing registered by DllRegisterServer"
run regsvr32 /s /u "$build_dll"
left=$(dump "$build_dll")
[ -z "$left" ] || { echo "$left"; fail "keys left after DllUnregisterServer"; }

# 3. The package registers the same.
run msiexec /i "$(kelmsgs_winpath "$work/v1/KelMsgs-x64.msi")" /qn /l*v "$(kelmsgs_winpath "$work/install.log")" || fail "msiexec /i failed"
[ -f "$WINEPREFIX/drive_c/Program Files/KelMsgs/KelMsgs.dll" ] || fail "KelMsgs.dll not installed"
dump "$installed" >"$work/installed.txt"
diff -u "$work/registered.txt" "$work/installed.txt" || fail "the package registers otherwise than DllRegisterServer"

# 4. A script client against the installed DLL.
cat >"$work/client.vbs" <<'VBS'
Set status = CreateObject("KelMsgs.QMXMemoryStatus")
status.GetMemoryStatus
Set session = CreateObject("KelMsgs.QMXSession")
WScript.Echo "client: memory load " & status.MemoryLoad & "%, " & session.ProfileCount & " profile(s)"
VBS
client=$(run 'C:\windows\system32\cscript.exe' //nologo "$(kelmsgs_winpath "$work/client.vbs")" 2>&1 | tr -d '\r')
echo "$client"
grep -q '^client: memory load [0-9]*%, [0-9]* profile(s)$' <<<"$client" || fail "the script client did not run"

# 5. The newer package replaces this one: one product left, registered the same.
run msiexec /i "$(kelmsgs_winpath "$work/v2/KelMsgs-x64.msi")" /qn /l*v "$(kelmsgs_winpath "$work/upgrade.log")" || fail "upgrade failed"
# Each product's own uninstall entry, named by the product code the package carries: the
# new one present, the old one gone.
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
entry() { run reg query "$uninstall\\$1" /v DisplayName 2>/dev/null | tr -d '\r' | grep -c 'KelMsgs (x64)'; }
old_code=$(product_code "$work/v1/KelMsgs-x64.msi")
new_code=$(product_code "$work/v2/KelMsgs-x64.msi")
new_entry=$(entry "$new_code")
old_entry=$(entry "$old_code")
if [ "$new_entry" != 1 ] || [ "$old_entry" != 0 ]; then
  fail "after the upgrade: new product $new_code listed $new_entry time(s), old $old_code $old_entry"
  run reg query "$uninstall" /s 2>&1 | tr -d '\r' | grep -i -E '^HKEY|DisplayName' >&2
  grep -a -E 'Action (start|ended)|Return value [^1]|[Ee]rror' "$work/upgrade.log" | tail -n 40 >&2
fi
dump "$installed" | diff -u "$work/registered.txt" - || fail "the upgrade registers otherwise"

# 6. Uninstalled: no key and no file left.
run msiexec /x "$(kelmsgs_winpath "$work/v2/KelMsgs-x64.msi")" /qn /l*v "$(kelmsgs_winpath "$work/uninstall.log")" || fail "msiexec /x failed"
left=$(dump "$installed")
[ -z "$left" ] || { echo "$left"; fail "keys left after uninstall"; }
[ ! -e "$WINEPREFIX/drive_c/Program Files/KelMsgs/KelMsgs.dll" ] || fail "KelMsgs.dll left after uninstall"

# 7. The build's registration, as the other tests need it.
run regsvr32 /s "$build_dll" || fail "the build could not be registered again"
[ -z "$other" ] || "$root/cmake/wine-run.sh" --arch x86 regsvr32 /s "$other" ||
  fail "the 32-bit registration could not be put back"
[ $failed = 0 ] && echo "install_test: passed"
exit $failed
