#!/usr/bin/env bash
# Builds the layout reader and builder tests (with their fuzz-style run) under
# AddressSanitizer and UndefinedBehaviorSanitizer in a build folder of their
# own, and runs them. Linux only.
#   tests/ui/run_asan.sh [BUILD_DIR]     (default build/linux-asan)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/linux-asan}"
flags="-fsanitize=address,undefined -fno-omit-frame-pointer"
cmake --preset linux -B "$build" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target ui_markup_test ui_control_test -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$root/tests/ui/asan_suppressions.txt"
"$build/tests/ui/markup/ui_markup_test"
"$build/tests/ui/control/ui_control_test"
