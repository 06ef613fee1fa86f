#!/usr/bin/env bash
# Checks the shipped Windows program: a 32-bit PE with the GUI subsystem that
# imports system DLLs only (mingw's runtime linked in statically).
# usage: check_exe_format.sh <objdump> <exe>
set -euo pipefail
objdump=$1 exe=$2
headers=$("$objdump" -p "$exe")
fail() { echo "FAIL: $*" >&2; exit 1; }
grep -q 'file format pei-i386' <<<"$headers" || fail "not a 32-bit PE"
grep -Eq '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || fail "not the Windows GUI subsystem"
dlls=$(grep -i 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
[ -n "$dlls" ] || fail "no imports found"
for dll in $dlls; do
  case "$dll" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|shlwapi.dll|ole32.dll|oleaut32.dll|\
    comctl32.dll|comdlg32.dll|gdiplus.dll|imm32.dll|msimg32.dll|winmm.dll|version.dll|urlmon.dll|\
    wininet.dll|ws2_32.dll|crypt32.dll|bcrypt.dll|msvcrt.dll|api-ms-win-*.dll|wldap32.dll|\
    normaliz.dll|secur32.dll|iphlpapi.dll|uxtheme.dll|dwmapi.dll|msftedit.dll|riched20.dll|\
    psapi.dll|userenv.dll|rpcrt4.dll|setupapi.dll|wintrust.dll|ntdll.dll) ;;
    *) fail "imports a non-system DLL: $dll" ;;
  esac
done
echo "ok: $(echo $dlls | tr '\n' ' ')"
