#!/usr/bin/env bash
# The installer, end to end, against a local server: starts the local test
# server serving the signed demo setup package, opens the installer's window on
# your display and installs the demo product when you click "Install Now"
# (into temporary XDG_CONFIG_HOME / XDG_DATA_HOME folders, so nothing of yours
# is touched); the server stops when the window closes. Then it lists the
# reports the server received.
#
#   scripts/run-demo.sh                 the Linux program's window
#   scripts/run-demo.sh --windows       the Windows program under Wine
#   scripts/run-demo.sh --headless [lumacast-flow options...]
#                                       the flow without a window (console)
#   --mirror-failure (before the mode's own options, with any mode)
#                                       the package address answers its first
#                                       request with HTTP 500, so the first
#                                       attempt fails and the CDN mirror serves
#
# The package address is https, as in the product, and the installer checks
# its certificate as strictly as ever: the demo makes the local server's
# certificate one the program trusts instead. Linux: the server presents a
# certificate made for this run, and the program runs in a private mount
# namespace (unshare) where the system's CA bundle also holds it; nothing
# outside that namespace changes. Windows: the server presents the build's
# test certificate for 127.0.0.1, whose test root the Wine prefix is made to
# trust (the same tool the tests use). Where neither can be done the demo
# says so, and the first attempt fails on the certificate as it should.
#
# Without a display ($DISPLAY) it says so and runs headless. Missing tools are
# installed first through scripts/install-deps.sh (quiet when none is missing).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=window
mirror_failure=0
while [ $# -gt 0 ]; do
  case "$1" in
    --windows) mode=windows; shift ;;
    --headless) mode=headless; shift; break ;;
    --mirror-failure) mirror_failure=1; shift ;;
    *) break ;;
  esac
done
if [ "$mode" != headless ] && [ -z "${DISPLAY:-}" ]; then
  echo "run-demo: no display (DISPLAY is not set): running the flow headless instead"
  mode=headless
fi

"$root/scripts/install-deps.sh" || exit 2

preset=linux
[ "$mode" = windows ] && preset=windows
build="$root/build/$preset"
driver="$build/tools/flow_driver/lumacast-flow"
package="$build/tools/demo/signed/lumacastsetup.exe"
case "$mode" in
  headless) program="$driver"; targets="lumacast_flow_driver lumacast_demo_packages" ;;
  window) program="$build/app/lumacast-installer"; targets="lumacast_installer lumacast_demo_packages" ;;
  windows) program="$build/app/LumaCastInstaller.exe"; targets="lumacast_installer lumacast_demo_packages" ;;
esac

if [ ! -x "$program" ] || [ ! -f "$package" ]; then
  echo "run-demo: building the $preset preset"
  (cd "$root" && cmake --preset "$preset" >/dev/null && cmake --build "build/$preset" -j2 --target $targets) || exit 2
fi
# The build's own server ports (the presets use 47801-47803).
port_of() { sed -n "s/^$1:STRING=.*:\([0-9]*\)$/\1/p" "$build/CMakeCache.txt"; }
report_port=$(port_of LUMACAST_REPORT_HOST); cdn_port=$(port_of LUMACAST_CDN_HOST); web_port=$(port_of LUMACAST_WEB_HOST)

work=$(mktemp -d /tmp/lumacast-demo.XXXXXX)
state="$work/server"
server="$root/tools/test_server/test_server.py"
cleanup() {
  python3 "$server" stop --state-dir "$state" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

# The certificate the package address presents, and how the program comes to
# trust it (see the top of this file).
tls_args=()
trusting=()
ca_bundle=/etc/ssl/certs/ca-certificates.crt
if [ "$mode" = windows ]; then
  tls_cert="$build/signing/tls-server.pem"
  tls_root="$build/signing/test-root.der"
  trust_tool="$build/tools/signing/trust_root.exe"
  if [ -f "$tls_cert" ] && [ -f "$tls_root" ] && [ -x "$trust_tool" ] &&
     LUMACAST_WINEPREFIX="${LUMACAST_WINEPREFIX:-$root/build/wine-prefix}" \
       "$root/scripts/wine-run.sh" "$trust_tool" "Z:${tls_root//\//\\}" >/dev/null 2>&1; then
    tls_args=(--cert "$tls_cert" --key "$build/signing/tls-server.key")
  else
    echo "run-demo: the Wine prefix could not be made to trust the test root: the first attempt will fail"
  fi
else
  mkdir -p "$work/tls"
  if openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/tls/key.pem" -out "$work/tls/cert.pem" \
       -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 >/dev/null 2>&1 &&
     [ -f "$ca_bundle" ] && cat "$ca_bundle" "$work/tls/cert.pem" >"$work/tls/bundle.crt"; then
    tls_args=(--cert "$work/tls/cert.pem" --key "$work/tls/key.pem")
    # Root may make a mount namespace directly; anyone else through a user
    # namespace of their own.
    bind='mount --bind "$0" "$1" && shift && exec "$@"'
    for ns in "unshare --mount --propagation private" "unshare --map-root-user --mount --propagation private"; do
      if $ns sh -c "$bind" "$work/tls/bundle.crt" "$ca_bundle" true 2>/dev/null; then
        trusting=($ns sh -c "$bind" "$work/tls/bundle.crt" "$ca_bundle")
        break
      fi
    done
  fi
  if [ ${#trusting[@]} = 0 ]; then
    echo "run-demo: cannot give the program a CA bundle with the demo certificate: the first attempt will fail"
  fi
fi
script_args=()
if [ $mirror_failure = 1 ]; then
  echo '[{"cmd":"push","endpoint":"package","items":[{"action":"status","status":500}]}]' >"$work/failure.json"
  script_args=(--script "$work/failure.json")
  echo "run-demo: the package address will fail its first request on purpose (--mirror-failure)"
fi

if ! python3 "$server" start --state-dir "$state" --file "$package" --record "$work/records.bin" \
    "${tls_args[@]}" "${script_args[@]}" \
    --report-port "${report_port:-47801}" --cdn-port "${cdn_port:-47802}" --web-port "${web_port:-47803}"; then
  echo "run-demo: the test server did not start (are ports 47801-47803 in use?)" >&2
  cat "$state/server.log" >&2 2>/dev/null
  exit 2
fi

mkdir -p "$work/config" "$work/data"
case "$mode" in
  headless)
    echo "run-demo: installing into $work/install dir"
    XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
      "${trusting[@]}" timeout 600 "$driver" --install-dir "$work/install dir" --download-dir "$work/download" "$@"
    status=$?
    echo "run-demo: lumacast-flow exited with $status" ;;
  window)
    echo "run-demo: the installer's window is open; click \"Install Now\" (it installs into $work/data)"
    XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" "${trusting[@]}" "$program"
    status=$?
    echo "run-demo: the installer exited with $status" ;;
  windows)
    echo "run-demo: the Windows installer's window is open under Wine; click \"Install Now\""
    LUMACAST_WINEPREFIX="${LUMACAST_WINEPREFIX:-$root/build/wine-prefix}" "$root/scripts/wine-run.sh" "$program"
    status=$?
    echo "run-demo: the installer exited with $status" ;;
esac

echo "run-demo: reports received by the server:"
python3 - "$work/records.bin" <<'PY'
import json, sys, urllib.parse
blob = open(sys.argv[1], "rb").read()
at = 0
while True:
    start = blob.find(b"LUMAREC ", at)
    if start < 0:
        break
    end = blob.index(b"\n", start)
    endpoint, _port, _tls, head_len, body_len = blob[start + 8:end].split()
    head_len, body_len = int(head_len), int(body_len)
    body = blob[end + 1 + head_len:end + 1 + head_len + body_len]
    at = end + 1 + head_len + body_len
    if endpoint != b"report":
        print("  (%s request)" % endpoint.decode())
        continue
    report = json.loads(body)
    data = json.loads(urllib.parse.unquote(report.get("data", "%7B%7D")))
    fields = ", ".join("%s=%s" % (k, urllib.parse.unquote(v)) for k, v in data.items() if k != "imei")
    print("  %s: %s" % (report.get("action"), fields))
PY
exit $status
