# Sourced by the Wine scripts: the environment every Windows program of the
# build runs in. LUMACAST_WINEPREFIX chooses the prefix (default build/wine-prefix).
lumacast_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${LUMACAST_WINEPREFIX:-$lumacast_root/build/wine-prefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
