#!/usr/bin/env bash
# The installer's flow, end to end, without a window: builds the linux preset
# when needed, starts the local test server serving the signed demo setup
# package on the preset ports, runs lumacast-flow into a temporary install
# folder (with temporary XDG_CONFIG_HOME and XDG_DATA_HOME, so nothing of the
# user's is touched), shows what it printed and the reports the server
# received, stops the server and exits with the driver's status.
#
#   scripts/run-demo.sh [lumacast-flow options...]   e.g. --answer yes --retry 1
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/linux"
driver="$build/app/lumacast-flow"
package="$build/tools/demo/signed/lumacastsetup.exe"

if [ ! -x "$driver" ] || [ ! -f "$package" ]; then
  echo "run-demo: building the linux preset"
  (cd "$root" && cmake --preset linux >/dev/null && \
    cmake --build --preset linux --target lumacast_flow_driver lumacast_demo_setup) || exit 2
fi

work=$(mktemp -d /tmp/lumacast-demo.XXXXXX)
state="$work/server"
server="$root/tools/test_server/test_server.py"
cleanup() {
  python3 "$server" stop --state-dir "$state" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

if ! python3 "$server" start --state-dir "$state" --file "$package" --record "$work/records.bin"; then
  echo "run-demo: the test server did not start (are ports 47801-47803 in use?)" >&2
  cat "$state/server.log" >&2 2>/dev/null
  exit 2
fi

mkdir -p "$work/config" "$work/data"
echo "run-demo: installing into $work/install dir"
XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
  timeout 600 "$driver" --install-dir "$work/install dir" --download-dir "$work/download" "$@"
status=$?
echo "run-demo: lumacast-flow exited with $status"

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
