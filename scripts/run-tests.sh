#!/usr/bin/env bash
# Builds both variants and runs every test: the native tests, then the Windows
# tests under Wine, all inside one Xvfb display started here. Ends with a
# summary of passed and failed tests per platform; the exit status is non-zero
# when anything failed (a build failure counts as one failure).
#
#   scripts/run-tests.sh            # everything
#   scripts/run-tests.sh linux      # one platform only (linux or windows)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# A fresh machine gets what the builds need first; quiet when nothing is missing.
bash "$root/scripts/install-deps.sh" || { echo "run-tests: dependency install failed" >&2; exit 1; }
if [ $# -gt 0 ]; then platforms=("$@"); else platforms=(linux windows); fi
logs="$root/build/test-logs"
mkdir -p "$logs"
source "$root/scripts/wine-env.sh"
export LUMACAST_WINEPREFIX="$WINEPREFIX"

xvfb_pid=""
wineserver_started=0
cleanup() {
  if [ $wineserver_started = 1 ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
}
trap cleanup EXIT

# One display for every test that needs one; Xvfb picks a free number. Without
# -noreset it resets whenever its last client leaves, and drops a connection
# that arrives meanwhile: a program started just then finds no display.
start_display() {
  local numfile
  numfile=$(mktemp)
  Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >"$logs/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$numfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$numfile" ]; then
    echo "run-tests: Xvfb did not start (see $logs/xvfb.log)" >&2
    rm -f "$numfile"
    return 1
  fi
  export DISPLAY=":$(head -n 1 "$numfile")"
  rm -f "$numfile"
}

declare -A passed failed skipped note
step() {  # step <log> <command...>: runs quietly, shows the log's tail on failure
  local log=$1; shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log"
    return 1
  fi
}

build() {  # build <preset>
  local p=$1 t0=$SECONDS
  echo "== $p: configure and build"
  local options=()
  # Where Wine cannot start, the Windows test programs are built but not listed.
  if [ "$p" = windows ]; then
    if [ $wine_ok = 1 ]; then options=(-DLUMACAST_WINE_TESTS=ON); else options=(-DLUMACAST_WINE_TESTS=OFF); fi
  fi
  if step "$logs/$p-configure.log" cmake --preset "$p" "${options[@]}" &&
     step "$logs/$p-build.log" cmake --build --preset "$p"; then
    echo "   built in $((SECONDS - t0)) s"
    return 0
  fi
  echo "   BUILD FAILED (logs in $logs)"
  return 1
}

run_ctest() {  # run_ctest <preset> [ctest options]: fills passed/failed from ctest's closing line
  local p=$1 t0=$SECONDS log="$logs/$p-ctest.log"
  shift
  echo "== $p: tests"
  ctest --preset "$p" -j2 "$@" 2>&1 | tee "$log" | grep -E '^ *[0-9]+/[0-9]+ Test|tests passed|No tests were found|\*\*\*|Failed|Timeout'
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    local total fail
    fail=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    # ctest counts a skipped test as passed; keep them apart.
    skipped[$p]=$(grep -c -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*Skipped' "$log" || true)
    passed[$p]=$((total - fail - skipped[$p]))
    failed[$p]=$fail
  else
    # A ctest that could not even list its tests is a failure, not a pass.
    passed[$p]=0
    failed[$p]=1
    note[$p]="(ctest ran no test; see $log)"
  fi
  echo "   tests took $((SECONDS - t0)) s"
}

# The README's first command, headless (the Linux flow driver), counted as one
# more test: the tests' own server has stopped by now, so the demo's server can
# take the build's ports.
run_demo() {  # run_demo <preset>
  local p=$1
  echo "== $p: the demo (scripts/run-demo.sh --headless)"
  # The demo's first attempt must succeed: its download report says retryTime=0.
  if step "$logs/$p-demo.log" "$root/scripts/run-demo.sh" --headless &&
     grep -q "DownloadTimeCost: .*retryTime=0" "$logs/$p-demo.log"; then
    passed[$p]=$((passed[$p] + 1))
  else
    failed[$p]=$((failed[$p] + 1))
    note[$p]="${note[$p]} (demo failed; see $logs/$p-demo.log)"
  fi
}

# Wine starts every 32-bit program through a 32-bit loader; a kernel booted
# without 32-bit emulation refuses it ("Exec format error").
can_run_32bit() {
  wine --version >/dev/null 2>&1
}

start_wine() {
  step "$logs/wine-prefix.log" "$root/scripts/wine-prefix.sh" || return 1
  # A persistent server: without it every test process pays for Wine's
  # start-up, since its helpers keep ctest's pipe open.
  wineserver -p && wineserver_started=1
  wine wineboot >/dev/null 2>&1
}

wine_ok=1
can_run_32bit || wine_ok=0

t_start=$SECONDS
start_display || exit 1
for p in "${platforms[@]}"; do
  passed[$p]=0; failed[$p]=0; skipped[$p]=0; note[$p]=""
  if ! build "$p"; then
    failed[$p]=1; note[$p]="(build failed)"
    continue
  fi
  if [ "$p" = windows ]; then
    if [ $wine_ok = 0 ]; then
      # No Windows program can start here: only the checks that run on this
      # machine itself (the file's format and imports, the release script)
      # run, and the rest is counted as one skipped entry, not as failed.
      echo "   $p: the kernel refuses 32-bit programs (ia32 emulation disabled), so Wine cannot start;"
      echo "   running only the Windows tests that need no Wine (label host)"
      run_ctest "$p" -L host
      skipped[$p]=$((skipped[$p] + 1))
      note[$p]="${note[$p]:+${note[$p]} }(tests under Wine NOT run: this kernel cannot start 32-bit programs)"
      continue
    fi
    if ! start_wine; then
      failed[$p]=1; note[$p]="(Wine prefix set-up failed)"
      continue
    fi
  fi
  run_ctest "$p"
  if [ "$p" = linux ]; then run_demo "$p"; fi
done

echo
echo "== Summary ($((SECONDS - t_start)) s)"
total_passed=0; total_failed=0; total_skipped=0
for p in "${platforms[@]}"; do
  echo "$p: ${passed[$p]} passed, ${failed[$p]} failed, ${skipped[$p]} skipped${note[$p]:+ ${note[$p]}}"
  total_passed=$((total_passed + passed[$p]))
  total_failed=$((total_failed + failed[$p]))
  total_skipped=$((total_skipped + skipped[$p]))
done
echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
[ "$total_failed" -eq 0 ] && [ "$total_passed" -gt 0 ]
