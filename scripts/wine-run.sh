#!/usr/bin/env bash
# Runs a Windows program of the build under Wine (CMake's cross-compiling
# emulator, so ctest runs the Windows tests through it). The prefix is made
# on first use; a display, if the program needs one, comes from the caller.
source "$(dirname "$0")/wine-env.sh"
[ -f "$WINEPREFIX/.lumacast-prefix-v1" ] || "$lumacast_root/scripts/wine-prefix.sh" >&2 || exit 1
exec wine "$@"
