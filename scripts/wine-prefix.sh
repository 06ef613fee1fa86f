#!/usr/bin/env bash
# Creates the 32-bit Wine prefix the Windows tests run in, once: fonts copied
# in (Debian's Wine does not find its own), font replacements for the faces
# the theme names, and unmanaged windows (no window manager in Xvfb, where
# managed windows take seconds to destroy). Later calls return at once.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/.lumacast-prefix-v1"
[ -f "$stamp" ] && exit 0

echo "wine-prefix: creating $WINEPREFIX"
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
reg=$(mktemp --suffix=.reg)
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Tahoma"="DejaVu Sans"
"Segoe UI"="DejaVu Sans"
"Microsoft YaHei"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
wineserver -w
rm -f "$reg"
# Fails loudly rather than leaving a prefix the tests would trip over.
grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" || { echo "wine-prefix: registry set-up failed" >&2; exit 1; }
touch "$stamp"
