#!/usr/bin/env python3
"""The test server keeps to what it was given: files from its own folders only,
never someone else's server or process, nothing left behind."""

import http.client
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

SCRIPT = sys.argv.pop(1) if len(sys.argv) > 1 else None


def free_ports(count):
    sockets, ports = [], []
    for _ in range(count):
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        sockets.append(s)
        ports.append(s.getsockname()[1])
    for s in sockets:
        s.close()
    return ports


def control(port, command):
    request = urllib.request.Request("http://127.0.0.1:%d/__control" % port,
                                     data=json.dumps(command).encode(), method="POST")
    try:
        with urllib.request.urlopen(request, timeout=5) as reply:
            return reply.status
    except urllib.error.HTTPError as error:
        return error.code


def fetch_with(port, path, headers):
    """(status, headers, body) of a GET; a cut body comes back as far as it got."""
    request = urllib.request.Request("http://127.0.0.1:%d%s" % (port, path), headers=headers)
    try:
        reply = urllib.request.urlopen(request, timeout=5)
    except urllib.error.HTTPError as error:
        return error.code, error.headers, b""
    with reply:
        body = b""
        try:
            while True:
                piece = reply.read(4096)
                if not piece:
                    break
                body += piece
        except http.client.IncompleteRead as cut:
            body += cut.partial
        return reply.status, reply.headers, body


def fetch(port, path):
    try:
        with urllib.request.urlopen("http://127.0.0.1:%d%s" % (port, path), timeout=5) as reply:
            return reply.status, reply.read()
    except urllib.error.HTTPError as error:
        return error.code, b""


class TestServerTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="lumacast-server-test-")
        self.served = os.path.join(self.work, "served")
        os.mkdir(self.served)
        self.report, self.cdn, self.web = free_ports(3)
        self.ports = ["--report-port", str(self.report), "--cdn-port", str(self.cdn),
                      "--web-port", str(self.web), "--no-tls"]
        self.children = []

    def tearDown(self):
        for child in self.children:
            if child.poll() is None:
                child.kill()
            child.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def run_script(self, *args):
        return subprocess.run([sys.executable, SCRIPT] + list(args), timeout=60,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT).returncode

    def serve(self):
        ready = os.path.join(self.work, "ready")
        child = subprocess.Popen([sys.executable, SCRIPT, "serve", "--ready-file", ready,
                                  "--serve-dir", self.served] + self.ports,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.children.append(child)
        for _ in range(200):
            if os.path.exists(ready):
                break
            time.sleep(0.05)
        with open(ready) as f:
            return child, f.read().split()[1]

    def test_serves_only_files_of_its_folders(self):
        self.serve()
        inside = os.path.join(self.served, "setup.exe")
        outside = os.path.join(self.work, "secret")
        for path, text in ((inside, b"setup"), (outside, b"secret")):
            with open(path, "wb") as f:
                f.write(text)
        os.symlink(outside, os.path.join(self.served, "link"))
        cdn = "/app3/LumaSuite/lumacast/lumacastsetup.exe"

        self.assertEqual(control(self.web, {"cmd": "file", "path": inside}), 200)
        self.assertEqual(fetch(self.cdn, cdn), (200, b"setup"))
        for path in (outside, os.path.join(self.served, "link"), self.served + "/../secret"):
            self.assertEqual(control(self.web, {"cmd": "file", "path": path}), 400, path)
            self.assertEqual(control(self.web, {"cmd": "reset", "file": path}), 400, path)
            self.assertEqual(control(self.web, {"cmd": "push", "endpoint": "cdn",
                                                "items": [{"action": "serve", "file": path}]}), 400)
            self.assertEqual(control(self.web, {"cmd": "default", "endpoint": "cdn",
                                                "item": {"file": path}}), 400)
        self.assertEqual(fetch(self.cdn, cdn), (200, b"setup"))

    def test_ranges_validators_and_cuts(self):
        self.serve()
        package = os.path.join(self.served, "setup.exe")
        data = bytes(range(256)) * 40
        with open(package, "wb") as f:
            f.write(data)
        control(self.web, {"cmd": "file", "path": package})
        cdn = "/app3/LumaSuite/lumacast/lumacastsetup.exe"

        status, headers, body = fetch_with(self.cdn, cdn, {})
        etag, date = headers["ETag"], headers["Last-Modified"]
        self.assertEqual((status, body, headers["Accept-Ranges"]), (200, data, "bytes"))
        self.assertTrue(etag.startswith('"'))
        for validator in (etag, date):
            status, headers, body = fetch_with(self.cdn, cdn, {"Range": "bytes=1000-", "If-Range": validator})
            self.assertEqual((status, headers["Content-Range"], body), (206, "bytes 1000-10239/10240", data[1000:]))
        status, _, body = fetch_with(self.cdn, cdn, {"Range": "bytes=1000-", "If-Range": '"other"'})
        self.assertEqual((status, body), (200, data))
        status, headers, _ = fetch_with(self.cdn, cdn, {"Range": "bytes=10240-"})
        self.assertEqual((status, headers["Content-Range"]), (416, "bytes */10240"))

        control(self.web, {"cmd": "reset"})
        control(self.web, {"cmd": "file", "path": package})
        control(self.web, {"cmd": "default", "endpoint": "cdn", "item": {"action": "serve", "cut": 3000}})
        status, headers, body = fetch_with(self.cdn, cdn, {})
        self.assertEqual((status, headers["Content-Length"], body), (200, "10240", data[:3000]))
        status, _, body = fetch_with(self.cdn, cdn, {"Range": "bytes=9000-"})
        self.assertEqual((status, body), (206, data[9000:]))
        control(self.web, {"cmd": "push", "endpoint": "cdn",
                           "items": [{"action": "serve", "ranges": False}, {"action": "serve", "weak_etag": True}]})
        status, headers, body = fetch_with(self.cdn, cdn, {"Range": "bytes=9000-"})
        self.assertEqual((status, headers["ETag"], headers["Accept-Ranges"], body), (200, None, None, data))
        status, headers, _ = fetch_with(self.cdn, cdn, {"Range": "bytes=9000-", "If-Range": etag})
        self.assertEqual((status, headers["ETag"]), (200, "W/" + etag))
        _, stats = fetch(self.web, "/__control/stats")
        self.assertEqual(json.loads(stats)["total_body_bytes"], 3000 + 1240 + 10240 + 10240)

    def test_start_leaves_a_foreign_server_alone_and_stop_signals_only_its_own(self):
        foreign, _ = self.serve()
        state = os.path.join(self.work, "state")
        self.assertNotEqual(self.run_script("start", "--state-dir", state, *self.ports), 0)
        self.assertEqual(self.run_script("stop", "--state-dir", state), 0)
        self.assertIsNone(foreign.poll())
        # A pid file naming a process start did not launch (a reused pid).
        other = subprocess.Popen([sys.executable, "-c", "import time; time.sleep(60)"])
        self.children.append(other)
        with open(os.path.join(state, "server.pid"), "w") as f:
            f.write("%d\n" % other.pid)
        self.assertEqual(self.run_script("stop", "--state-dir", state), 0)
        self.assertIsNone(other.poll())
        self.assertIsNone(foreign.poll())

    def test_stop_removes_the_key_folder(self):
        state = os.path.join(self.work, "state")
        ports = [p for p in self.ports if p != "--no-tls"]  # with TLS: a key is made
        self.assertEqual(self.run_script("start", "--state-dir", state, *ports), 0)
        with open(os.path.join(state, "ready")) as f:
            workdir = os.path.dirname(f.read().split()[1])
        self.assertTrue(os.path.exists(os.path.join(workdir, "key.pem")))
        self.assertEqual(self.run_script("stop", "--state-dir", state), 0)
        self.assertFalse(os.path.exists(workdir))


if __name__ == "__main__":
    unittest.main()
