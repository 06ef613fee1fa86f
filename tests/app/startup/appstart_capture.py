#!/usr/bin/env python3
"""Runs the real installer once and checks the AppStart report it sends.

Needs the test server (ctest's lumacast_test_server fixture) on 127.0.0.1.
The program does not end by itself: it is started, the report is awaited
(bounded) and the program is killed. The captured report must equal the
documented example byte for byte once the unique id and the time are put in,
with the header lines in their order and the identity cookies.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import urllib.request

CONTROL = "http://127.0.0.1:%d/__control"
EXAMPLE = ('{"a":"reportEvent","action":"AppStart","c":"site","class":"LumaCastInstaller",'
           '"data":"%7B%22Dpi%22%3A%2296%22%2C%22FirstStart%22%3A%22true%22%2C%22Scale%22%3A'
           '%22100%22%2C%22imei%22%3A%22U%22%7D","position":"0","result":"ok",'
           '"time_create":"2024%2D05%2D06%2007%3A08%3A09"}')
HEADER_ORDER = ["Accept-Charset", "Accept-Encoding", "Accept-Language", "Cache-Control",
                "Connection", "Cookie", "User-Agent"]


WEB_PORT = [47803]


def control(path="", body=None):
    request = urllib.request.Request(CONTROL % WEB_PORT[0] + path, data=body)
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(request, timeout=5) as reply:
        return reply.read()


def parse_records(blob):
    records, pos = [], 0
    while pos < len(blob):
        eol = blob.index(b"\n", pos)
        _, endpoint, _port, _tls, head_len, body_len = blob[pos:eol].split(b" ")
        head_len, body_len = int(head_len), int(body_len)
        head = blob[eol + 1:eol + 1 + head_len]
        body = blob[eol + 1 + head_len:eol + 1 + head_len + body_len]
        records.append((endpoint.decode(), head, body))
        pos = eol + 1 + head_len + body_len + 1
    return records


def fail(message):
    print("FAIL: " + message)
    print("0 passed, 1 failed")
    return 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--runner", default="")
    parser.add_argument("--os", choices=["linux", "windows"], required=True)
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--timeout", type=float, default=60)
    parser.add_argument("--web-port", type=int, default=47803, help="the test server's control port")
    args = parser.parse_args()
    WEB_PORT[0] = args.web_port

    control("", b'{"cmd":"reset"}')
    shutil.rmtree(args.work_dir, ignore_errors=True)
    os.makedirs(args.work_dir)
    env = dict(os.environ)
    # A fresh user: no stored id, no recorded install.
    env["XDG_CONFIG_HOME"] = os.path.join(args.work_dir, "config")
    env["XDG_DATA_HOME"] = os.path.join(args.work_dir, "data")
    for name in ("http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"):
        env.pop(name, None)
    command = ([args.runner] if args.runner else []) + [args.program]
    if not env.get("DISPLAY") and shutil.which("xvfb-run"):
        command = ["xvfb-run", "-a"] + command
    program = subprocess.Popen(command, env=env, cwd=args.work_dir, start_new_session=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    reports = []
    try:
        deadline = time.time() + args.timeout
        while time.time() < deadline and not reports:
            reports = [r for r in parse_records(control("/records")) if r[0] == "report"]
            if not reports:
                if program.poll() is not None:
                    break
                time.sleep(0.2)
    finally:
        if program.poll() is None:
            os.killpg(program.pid, signal.SIGKILL)
        program.wait(timeout=30)
    if not reports:
        return fail("no report arrived within %d s" % args.timeout)

    _, head, body = reports[0]
    lines = head.decode("latin-1").split("\r\n")
    if lines[0] != "POST /caller?c=site&a=reportEvent HTTP/1.1":
        return fail("request line %r" % lines[0])
    names = [line.split(":", 1)[0] for line in lines[1:] if line]
    ours = [name for name in names if name in HEADER_ORDER]
    if ours != HEADER_ORDER:
        return fail("header order %r" % names)
    cookie = next(line for line in lines if line.startswith("Cookie: "))[len("Cookie: "):]
    system = r"Microsoft Windows [^;]+ (32|64)bit" if args.os == "windows" else r"[^;]+ (32|64)bit"
    match = re.fullmatch(r"appname=LumaCastInstaller;appver=1\.6\.2\.2;channel=google_search;"
                         r"imei=([0-9A-F]{32});os=%s;system=%s;" % (args.os, system), cookie)
    if not match:
        return fail("cookie line %r" % cookie)
    unique_id = match.group(1)
    stamp = re.search(rb'"time_create":"(\d{4}%2D\d\d%2D\d\d%20\d\d%3A\d\d%3A\d\d)"', body)
    if not stamp:
        return fail("no time in %r" % body)
    expected = (EXAMPLE.replace("%22U%22", "%22" + unique_id + "%22")
                .replace("2024%2D05%2D06%2007%3A08%3A09", stamp.group(1).decode()))
    if body.decode("latin-1") != expected:
        return fail("body\n  got      %s\n  expected %s" % (body.decode("latin-1"), expected))
    print("AppStart report of %s matches (imei %s)" % (args.os, unique_id))
    print("1 passed, 0 failed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
