#!/usr/bin/env python3
"""Download figures: resuming on a link that drops, and clean-link throughput.

  bench/download_bench.py [--build build/linux] [--size-mb 100] [--cut-mb 10] [--runs 3]

Makes a signed package of --size-mb MB from the build's demo setup, serves it
from the local test server on the build's ports (plain HTTP on both download
hosts) and runs the build's download_bench (the flow's download, with one
"Try Again" when the first run fails):

1. every response cut after --cut-mb MB, resuming: the result and the body
   bytes the server sent in all, as a multiple of the package;
2. the same with resuming off (download_bench --no-resume);
3. a clean link: the best of --runs transfers (download_bench --fetch-only)
   and of --runs whole runs (verification included) against the best of
   --runs runs of the curl command fetching the same file, as throughput
   ratios.

For a Windows build (build/windows) the program runs under Wine through
scripts/wine-run.sh, in the build's prefix, which must trust the test root
(run the Windows tests once first). Prints figures; asserts nothing.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVER = os.path.join(ROOT, "tools", "test_server", "test_server.py")
CDN_PATH = "/app3/LumaSuite/lumacast/lumacastsetup.exe"


def cache_value(build, name):
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as f:
        for line in f:
            match = re.match(r"%s:[A-Z]+=(.*)$" % re.escape(name), line.strip())
            if match:
                return match.group(1)
    return ""


def port(host):
    return int(host.rsplit(":", 1)[1])


def make_package(build, windows, size, work):
    """The demo setup padded to about `size` bytes, signed as the build signs."""
    unsigned = os.path.join(build, "tools", "demo", "unsigned", "lumacastsetup.exe")
    padded = os.path.join(work, "padded.exe")
    target_dir = os.path.join(work, "package")
    os.makedirs(target_dir)
    target = os.path.join(target_dir, "lumacastsetup.exe")
    shutil.copyfile(unsigned, padded)
    # Bytes after the program are ignored by the loader and covered by the
    # signature on both systems.
    missing = size - os.path.getsize(unsigned) - (80 if not windows else 0)
    with open(padded, "ab") as f:
        chunk = os.urandom(1 << 20)
        while missing > 0:
            f.write(chunk[:min(missing, len(chunk))])
            missing -= len(chunk)
    signing = os.path.join(build, "signing")
    if windows:
        subprocess.run(["osslsigncode", "sign", "-certs", os.path.join(signing, "publisher.pem"),
                        "-key", os.path.join(signing, "publisher.key"), "-h", "sha256",
                        "-n", "LumaCast Setup", "-in", padded, "-out", target],
                       check=True, stdout=subprocess.DEVNULL)
    else:
        key = cache_value(build, "LUMACAST_SETUP_SIGNING_KEY") or os.path.join(signing, "test-ed25519.pem")
        subprocess.run([sys.executable, os.path.join(ROOT, "tools", "signing", "sign_trailer.py"),
                        "openssl", key, padded, target], check=True)
    os.remove(padded)
    return target


def control(web, command):
    request = urllib.request.Request("http://127.0.0.1:%d/__control" % web,
                                     data=json.dumps(command).encode(), method="POST")
    with urllib.request.urlopen(request, timeout=10) as reply:
        return json.load(reply)


def sent(web):
    with urllib.request.urlopen("http://127.0.0.1:%d/__control/stats" % web, timeout=10) as reply:
        return json.load(reply)["total_body_bytes"]


def run_bench(build, windows, folder, *flags):
    program = os.path.join(build, "bench", "download_bench" + (".exe" if windows else ""))
    command = [program] + list(flags) + [folder]
    if windows:
        command = [os.path.join(ROOT, "scripts", "wine-run.sh")] + command[:-1] + \
                  ["Z:" + folder.replace("/", "\\")]
    out = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=1800).stdout
    line = out.decode(errors="replace").strip().splitlines()[-1] if out.strip() else ""
    return dict(item.split("=", 1) for item in line.split() if "=" in item)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "linux"))
    parser.add_argument("--size-mb", type=int, default=100)
    parser.add_argument("--cut-mb", type=int, default=10)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    windows = os.path.exists(os.path.join(build, "bench", "download_bench.exe"))
    report, cdn, web = (port(cache_value(build, "LUMACAST_%s_HOST" % name)) for name in ("REPORT", "CDN", "WEB"))
    size = args.size_mb * 1000 * 1000
    cut = args.cut_mb * 1000 * 1000

    work = tempfile.mkdtemp(prefix="lumacast-download-bench-", dir=build)
    server = None
    try:
        package = make_package(build, windows, size, work)
        size = os.path.getsize(package)
        folder = os.path.join(work, "download") + os.sep
        os.makedirs(folder, mode=0o700)
        ready = os.path.join(work, "ready")
        server = subprocess.Popen([sys.executable, SERVER, "serve", "--no-tls", "--ready-file", ready,
                                   "--report-port", str(report), "--cdn-port", str(cdn), "--web-port", str(web),
                                   "--serve-dir", work, "--file", package],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(200):
            if os.path.exists(ready):
                break
            time.sleep(0.1)
        print("package: %d bytes, %s" % (size, "Windows program under Wine" if windows else "Linux program"))

        for resume in (True, False):
            control(web, {"cmd": "reset"})
            for endpoint in ("package", "cdn"):
                control(web, {"cmd": "default", "endpoint": endpoint, "item": {"action": "serve", "cut": cut}})
            result = run_bench(build, windows, folder, *([] if resume else ["--no-resume"]))
            print("cut every %d MB, resume %s: result=%s after %s attempts in %s run(s), %.1f s; "
                  "server sent %.3f x the package" %
                  (args.cut_mb, "on " if resume else "off", result.get("result"), result.get("attempts"),
                   result.get("runs"), float(result.get("seconds", 0)), sent(web) / size))

        control(web, {"cmd": "reset"})
        best = lambda *flags: min(float(run_bench(build, windows, folder, *flags).get("seconds", "inf"))
                                  for _ in range(args.runs))
        best_flow, best_fetch = best(), best("--fetch-only")
        best_curl = float("inf")
        for _ in range(args.runs):
            start = time.monotonic()
            subprocess.run(["curl", "-s", "-o", os.path.join(work, "curl.bin"),
                            "http://127.0.0.1:%d%s" % (cdn, CDN_PATH)], check=True)
            best_curl = min(best_curl, time.monotonic() - start)
        rate = lambda seconds: size / seconds / 1e6
        print("clean link, best of %d: curl %.2f s (%.0f MB/s); the flow's transfer %.2f s (%.0f MB/s), "
              "ratio %.2f; the whole download run with verification %.2f s (%.0f MB/s), ratio %.2f" %
              (args.runs, best_curl, rate(best_curl), best_fetch, rate(best_fetch), best_curl / best_fetch,
               best_flow, rate(best_flow), best_curl / best_flow))
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
