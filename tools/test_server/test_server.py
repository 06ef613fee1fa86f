#!/usr/bin/env python3
"""Local stand-in for the installer's report, package, CDN and web hosts.

Listens on 127.0.0.1 only. See README.md beside this file for the ports, the
record format, the fault items and the control endpoint.

  test_server.py serve [options]        run in the foreground until SIGTERM/SIGINT
  test_server.py start --state-dir D    start a background server, wait until it answers
  test_server.py stop --state-dir D     stop the server started with that state dir
"""

import argparse
import base64
import email.utils
import json
import os
import shutil
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

PACKAGE_PATH = "/caller"
CDN_PATH = "/app3/LumaSuite/lumacast/lumacastsetup.exe"
REPORT_QUERY = "c=site&a=reportEvent"
CONTROL_PATH = "/__control"
HTML_PAGE = b"<html><head><title>Not here</title></head><body>moved</body></html>\n"
DEFAULT_PORTS = {"report": 47801, "cdn": 47802, "web": 47803}
MAX_HEAD = 64 * 1024
MAX_BODY = 16 * 1024 * 1024


class State:
    """Everything the handlers share; guarded by one lock."""

    def __init__(self, record_path, default_file, tls_context=None, serve_dirs=()):
        self.lock = threading.Lock()
        # Folders whose files may be served or loaded (given at start only:
        # the control endpoint cannot widen them).
        self.serve_dirs = [os.path.realpath(d) for d in serve_dirs]
        # TLS context of the report port: the one made at start, or another
        # certificate chosen through the control endpoint until the next reset.
        self.start_tls = self.tls = tls_context
        self.record_path = record_path
        self.default_file = default_file
        self.records = []  # raw record bytes, in arrival order
        self.sent = {}  # endpoint -> body bytes sent since the last reset
        self.generation = 0  # counts resets: a response still running from before one is not counted
        self.queues = {"report": [], "package": [], "cdn": []}
        self.defaults = {"report": {"action": "status", "status": 200},
                         "package": {"action": "serve"}, "cdn": {"action": "serve"}}
        open(record_path, "wb").close()

    def may_open(self, path):
        """True when `path` lies inside a registered folder (links resolved)."""
        if not isinstance(path, str) or not path:
            return False
        real = os.path.realpath(path)
        return any(os.path.commonpath([real, d]) == d for d in self.serve_dirs)

    def check_paths(self, command):
        """The first file named by a control command that may not be opened."""
        paths = []
        if command.get("cmd") in ("reset",) and "file" in command:
            paths.append(command["file"])
        if command.get("cmd") == "file":
            paths.append(command.get("path"))
        if command.get("cmd") == "tls" and command.get("cert"):
            paths += [command["cert"]] + ([command["key"]] if command.get("key") else [])
        items = command.get("items", []) if command.get("cmd") == "push" else [command.get("item") or {}]
        for item in items:
            if isinstance(item, dict) and "file" in item:
                paths.append(item["file"])
        for path in paths:
            if not self.may_open(path):
                return path
        return None

    def record(self, endpoint, port, tls, head, body):
        line = ("LUMAREC %s %d %d %d %d\n" % (endpoint, port, 1 if tls else 0,
                                               len(head), len(body))).encode()
        blob = line + head + body + b"\n"
        with self.lock:
            self.records.append(blob)
            with open(self.record_path, "ab") as f:
                f.write(blob)

    def next_item(self, endpoint):
        with self.lock:
            queue = self.queues[endpoint]
            return dict(queue.pop(0)) if queue else dict(self.defaults[endpoint])

    def control(self, command):
        cmd = command.get("cmd")
        refused = self.check_paths(command)
        if refused is not None:
            return {"ok": False, "error": "%r is not in a folder the server was started with" % refused}
        with self.lock:
            if cmd == "reset":
                for q in self.queues.values():
                    q.clear()
                self.defaults = {"report": {"action": "status", "status": 200},
                                 "package": {"action": "serve"}, "cdn": {"action": "serve"}}
                self.records = []
                self.sent = {}
                self.generation += 1
                self.tls = self.start_tls
                open(self.record_path, "wb").close()
                if "file" in command:
                    self.default_file = command["file"]
                return {"ok": True}
            if cmd == "push":
                self.queues[command["endpoint"]].extend(command.get("items", []))
                return {"ok": True}
            if cmd == "default":
                self.defaults[command["endpoint"]] = command["item"]
                return {"ok": True}
            if cmd == "file":
                self.default_file = command["path"]
                return {"ok": True}
            if cmd == "tls":
                if self.start_tls is None:
                    return {"ok": False, "error": "TLS is off (--no-tls)"}
                if not command.get("cert"):
                    self.tls = self.start_tls
                    return {"ok": True}
                try:
                    self.tls = make_tls_context(command["cert"], command.get("key"), None)
                except (OSError, ssl.SSLError) as error:
                    return {"ok": False, "error": str(error)}
                return {"ok": True}
            if cmd == "clear-records":
                self.records = []
                open(self.record_path, "wb").close()
                return {"ok": True}
        return {"ok": False, "error": "unknown command %r" % cmd}

    def count_sent(self, endpoint, count, generation):
        with self.lock:
            if generation == self.generation:
                self.sent[endpoint] = self.sent.get(endpoint, 0) + count

    def stats(self):
        with self.lock:
            return {"body_bytes": dict(self.sent), "total_body_bytes": sum(self.sent.values())}

    def records_blob(self):
        with self.lock:
            return b"".join(self.records)


class Request:
    def __init__(self, head, body, method, target):
        self.head, self.body, self.method, self.target = head, body, method, target
        self.path, _, self.query = target.partition("?")

    def header(self, name):
        """The first header called `name` (case ignored), trimmed; None when absent."""
        for raw in self.head.split(b"\n")[1:]:
            key, sep, value = raw.partition(b":")
            if sep and key.strip().lower() == name.lower().encode():
                return value.strip().decode("latin-1")
        return None


def read_request(stream):
    """Reads one request as raw bytes. None when the peer sent no full head."""
    head = b""
    while True:
        line = stream.readline(MAX_HEAD)
        if not line:
            return None
        head += line
        if line in (b"\r\n", b"\n") and len(head) > len(line):
            break
        if line in (b"\r\n", b"\n"):  # stray blank line before the request
            head = b""
        if len(head) > MAX_HEAD:
            return None
    lines = head.split(b"\n")
    parts = lines[0].strip().split(b" ")
    if len(parts) < 2:
        return None
    length = 0
    for raw in lines[1:]:
        name, sep, value = raw.partition(b":")
        if sep and name.strip().lower() == b"content-length":
            try:
                length = int(value.strip())
            except ValueError:
                return None
    body = stream.read(min(length, MAX_BODY)) if length > 0 else b""
    return Request(head, body, parts[0].decode("latin-1"), parts[1].decode("latin-1"))


def status_line(code):
    reasons = {200: "OK", 206: "Partial Content", 301: "Moved Permanently", 302: "Found",
               307: "Temporary Redirect", 404: "Not Found", 416: "Range Not Satisfiable", 500: "Internal Server Error", 503: "Service Unavailable"}
    return ("HTTP/1.1 %d %s\r\n" % (code, reasons.get(code, "Status"))).encode()


def send_simple(sock, code, body=b"", content_type="text/plain", extra=()):
    head = status_line(code) + ("Content-Type: %s\r\nContent-Length: %d\r\nConnection: close\r\n"
                                % (content_type, len(body))).encode()
    for h in extra:
        head += h.encode() + b"\r\n"
    sock.sendall(head + b"\r\n" + body)


class Handler(socketserver.BaseRequestHandler):
    server_role = "web"  # set per server

    def handle(self):
        sock = self.request
        sock.settimeout(30)
        tls = False
        if self.server.tls:
            try:
                first = sock.recv(1, socket.MSG_PEEK)
            except OSError:
                return
            if first == b"\x16":  # a TLS ClientHello
                try:
                    sock = self.server.state.tls.wrap_socket(sock, server_side=True)
                except (ssl.SSLError, OSError):
                    return
                tls = True
        stream = sock.makefile("rb")
        try:
            request = read_request(stream)
            if request is None:
                return
            self.dispatch(sock, request, tls)
        except (OSError, ssl.SSLError):
            pass
        finally:
            try:
                stream.close()
                if tls:
                    sock.close()
            except OSError:
                pass

    def dispatch(self, sock, request, tls):
        state = self.server.state
        port = self.server.server_address[1]
        role = self.server.role
        if role == "web" and request.path.startswith(CONTROL_PATH):
            return self.control(sock, request)
        if role == "report" and request.path == PACKAGE_PATH and "a=downloadPackage" in request.query:
            endpoint = "package"
        elif role == "report" and request.path == PACKAGE_PATH:
            endpoint = "report"
        elif role == "cdn" and request.path == CDN_PATH:
            endpoint = "cdn"
        else:
            endpoint = "other"
        state.record(endpoint, port, tls, request.head, request.body)
        if endpoint == "report":
            return self.answer_report(sock, state.next_item("report"))
        if endpoint in ("package", "cdn"):
            return self.answer_download(sock, request, endpoint, state.next_item(endpoint))
        if role == "web":
            return send_simple(sock, 200, b"<html><body>LumaCast</body></html>\n", "text/html")
        return send_simple(sock, 404, b"not found\n")

    def control(self, sock, request):
        state = self.server.state
        sub = request.path[len(CONTROL_PATH):]
        if sub in ("", "/") and request.method == "POST":
            try:
                reply = state.control(json.loads(request.body.decode("utf-8")))
            except (ValueError, KeyError) as error:
                reply = {"ok": False, "error": str(error)}
            return send_simple(sock, 200 if reply.get("ok") else 400,
                               json.dumps(reply).encode(), "application/json")
        if sub == "/ping":
            return send_simple(sock, 200, b"ok")
        if sub == "/stats":
            return send_simple(sock, 200, json.dumps(state.stats()).encode(), "application/json")
        if sub == "/records":
            return send_simple(sock, 200, state.records_blob(), "application/octet-stream")
        return send_simple(sock, 404, b"unknown control path\n")

    def answer_report(self, sock, item):
        time.sleep(float(item.get("delay", 0)))
        action = item.get("action", "status")
        if action == "drop":
            return
        send_simple(sock, int(item.get("status", 200)), item.get("body", "ok").encode())

    def answer_download(self, sock, request, endpoint, item):
        action = item.get("action", "serve")
        time.sleep(float(item.get("delay", 0)))
        if action == "refuse":
            return
        if action == "status":
            return send_simple(sock, int(item.get("status", 500)), b"server error\n")
        if action == "html":
            return send_simple(sock, 200, HTML_PAGE, "text/html")
        if action == "redirect":
            return send_simple(sock, int(item.get("status", 302)), b"",
                               extra=["Location: " + item["location"]])
        path = item.get("file") or self.server.state.default_file
        if not self.server.state.may_open(path):
            return send_simple(sock, 404, b"no file to serve\n")
        try:
            body = FileBody(path, patch_pe=(action == "bad_pe"))
        except (OSError, TypeError):
            return send_simple(sock, 404, b"no file to serve\n")
        with body:
            self.send_body(sock, request, endpoint, item, action, body)

    def send_body(self, sock, request, endpoint, item, action, body):
        generation = self.server.state.generation
        size = body.size
        # Ranges and validators come with whole bodies; a lying one only when asked.
        ranges = item.get("ranges", action in ("serve", "throttle", "trickle", "bad_pe"))
        validators = [] if item.get("no_validators") or not ranges else body.validators(item)
        status, start, end = 200, 0, size
        wanted = parse_range(request.header("Range")) if ranges else None
        if wanted is not None and if_range_holds(request.header("If-Range"), body, item):
            first, last = wanted
            if first >= size:
                return send_simple(sock, 416, b"", extra=["Content-Range: bytes */%d" % size] + validators)
            status, start, end = 206, first, size if last is None else min(size, last + 1)
        if "range_start" in item:  # a 206 for a range nobody asked for
            status, start, end = 206, int(item["range_start"]), size
        announced = end - start
        if action == "truncate":  # close-delimited, fewer bytes than the file
            end, announced = min(size, int(item.get("bytes", size // 2))), None
        elif action == "lie":  # announces more than it sends
            announced += int(item.get("extra", 4096))
        head = status_line(status) + b"Content-Type: application/octet-stream\r\nConnection: close\r\n"
        if announced is not None:
            head += ("Content-Length: %d\r\n" % announced).encode()
        if ranges:
            head += b"Accept-Ranges: bytes\r\n"
        if status == 206:
            head += ("Content-Range: bytes %d-%d/%d\r\n" % (start, end - 1, size)).encode()
        for line in validators:
            head += line.encode() + b"\r\n"
        sock.sendall(head + b"\r\n")
        if "cut" in item:  # the connection drops after this many body bytes
            end = min(end, start + max(0, int(item["cut"])))
        if action == "trickle":
            chunk, interval = int(item.get("chunk", 1024)), float(item.get("interval", 0.05))
        elif action == "throttle":
            rate = max(1, int(item.get("rate", 1 << 20)))
            chunk, interval = max(1, rate // 20), max(1, rate // 20) / rate
        else:
            chunk, interval = 1 << 20, 0.0
        offset = start
        try:
            while offset < end:
                piece = body.read(offset, min(chunk, end - offset))
                if not piece:
                    break
                sock.sendall(piece)
                offset += len(piece)
                if interval:
                    time.sleep(interval)
        finally:
            self.server.state.count_sent(endpoint, offset - start, generation)


class FileBody:
    """A served file, read piece by piece (packages may be large)."""

    def __init__(self, path, patch_pe=False):
        self.file = open(path, "rb")
        info = os.fstat(self.file.fileno())
        self.size, self.mtime, self.inode = info.st_size, info.st_mtime, info.st_ino
        self.patch = None
        if patch_pe:  # the PE header offset (at byte 60) pointing past the end
            if self.size < 64:
                self.size = 64
            self.patch = (self.size + 0x100).to_bytes(4, "little")

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.file.close()

    def read(self, offset, count):
        self.file.seek(offset)
        data = self.file.read(count)
        if offset + len(data) < self.size and len(data) < count:
            data += b"\0" * min(count - len(data), self.size - offset - len(data))
        if self.patch and offset < 64 and offset + len(data) > 60:
            data = bytearray(data)
            for i in range(4):
                if 0 <= 60 + i - offset < len(data):
                    data[60 + i - offset] = self.patch[i]
            data = bytes(data)
        return data

    def etag(self, item):
        tag = item.get("etag") or '"%x-%x-%x"' % (self.inode, self.size, int(self.mtime * 1000))
        return "W/" + tag if item.get("weak_etag") else tag

    def last_modified(self):
        return email.utils.formatdate(self.mtime, usegmt=True)

    def validators(self, item):
        lines = ["Last-Modified: " + self.last_modified()]
        if not item.get("no_etag"):
            lines.append("ETag: " + self.etag(item))
        return lines


def parse_range(value):
    """(first, last or None) of a single "bytes=first-[last]" range; None otherwise."""
    if not value or not value.startswith("bytes="):
        return None
    first, sep, last = value[6:].strip().partition("-")
    if not sep or "," in value or not first.isdigit() or (last and not last.isdigit()):
        return None
    if last and int(last) < int(first):
        return None
    return int(first), int(last) if last else None


def if_range_holds(value, body, item):
    """Whether a Range may be honoured: no If-Range, or one naming the current
    entity (a strong ETag compared strongly, or the exact Last-Modified date)."""
    if value is None:
        return True
    if value.startswith('"'):
        return not item.get("weak_etag") and not item.get("no_etag") and value == body.etag(item)
    return value == body.last_modified()


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True

    def __init__(self, port, role, state, tls=False):
        self.role, self.state, self.tls = role, state, tls
        super().__init__(("127.0.0.1", port), Handler)


def make_tls_context(cert, key, workdir):
    if not cert:
        cert, key = os.path.join(workdir, "cert.pem"), os.path.join(workdir, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                        "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def serve(args):
    # The self-signed key and the default record file live here; the folder
    # goes when the server does.
    workdir = tempfile.mkdtemp(prefix="lumacast-test-server-")
    try:
        return serve_in(args, workdir)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


def serve_in(args, workdir):
    record = args.record or os.path.join(workdir, "records.bin")
    tls = None if args.no_tls else make_tls_context(args.cert, args.key, workdir)
    serve_dirs = list(args.serve_dir or [])
    for given in (args.file, args.cert, args.key):
        if given:
            serve_dirs.append(os.path.dirname(os.path.abspath(given)))
    state = State(record, args.file, tls, serve_dirs)
    if args.script:
        with open(args.script, encoding="utf-8") as f:
            for command in json.load(f):
                reply = state.control(command)
                if not reply.get("ok"):
                    print("test_server: script: %s" % reply.get("error"), file=sys.stderr)
                    return 1
    servers = [Server(args.report_port, "report", state, tls is not None), Server(args.cdn_port, "cdn", state),
               Server(args.web_port, "web", state)]
    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    if args.ready_file:
        with open(args.ready_file + ".tmp", "w") as f:
            f.write("%d %s\n" % (os.getpid(), record))
        os.replace(args.ready_file + ".tmp", args.ready_file)
    print("test_server: listening on 127.0.0.1:%d (report, TLS+plain), :%d (cdn), :%d (web); "
          "records in %s" % (args.report_port, args.cdn_port, args.web_port, record), flush=True)
    while not stop.wait(0.5):
        pass
    for server in servers:
        server.shutdown()
        server.server_close()
    return 0


def ping(port, timeout=1.0):
    try:
        with urllib.request.urlopen("http://127.0.0.1:%d%s/ping" % (port, CONTROL_PATH),
                                    timeout=timeout) as reply:
            return reply.status == 200
    except OSError:
        return False


def start(args, serve_args):
    os.makedirs(args.state_dir, exist_ok=True)
    pid_file = os.path.join(args.state_dir, "server.pid")
    stop(args)
    if ping(args.web_port):
        # Someone else's server: its files, queues and records are not ours,
        # and its owner may reset it at any time. Do not take it over.
        print("test_server: another server already answers on port %d; not using it "
              "(choose other ports)" % args.web_port, file=sys.stderr)
        return 1
    log = open(os.path.join(args.state_dir, "server.log"), "ab")
    ready = os.path.join(args.state_dir, "ready")
    if os.path.exists(ready):
        os.remove(ready)
    ready = os.path.abspath(ready)
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve",
                              "--ready-file", ready] + serve_args,
                             stdout=log, stderr=log, stdin=subprocess.DEVNULL,
                             start_new_session=True)
    with open(pid_file, "w") as f:
        f.write("%d\n" % child.pid)
    deadline = time.time() + 20
    while time.time() < deadline:
        if child.poll() is not None:
            print("test_server: server exited early; see %s" % log.name, file=sys.stderr)
            return 1
        if os.path.exists(ready) and ping(args.web_port):
            return 0
        time.sleep(0.1)
    print("test_server: server did not answer within 20 s", file=sys.stderr)
    child.kill()
    return 1


def started_here(pid, state_dir):
    """True when `pid` is still the server `start` launched for `state_dir`
    (the pid may have been reused by any other process since)."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            argv = f.read().split(b"\0")
    except OSError:
        return False
    ready = os.path.join(os.path.abspath(state_dir), "ready").encode()
    return os.path.abspath(__file__).encode() in argv and ready in argv


def stop(args):
    pid_file = os.path.join(args.state_dir, "server.pid")
    try:
        with open(pid_file) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        return 0
    if not started_here(pid, args.state_dir):
        os.remove(pid_file)
        return 0
    try:
        os.kill(pid, signal.SIGTERM)
        deadline = time.time() + 10
        while time.time() < deadline:
            try:
                if os.waitpid(pid, os.WNOHANG)[0] == pid:
                    break
            except ChildProcessError:
                pass
            os.kill(pid, 0)
            time.sleep(0.1)
        else:
            os.kill(pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    os.remove(pid_file)
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=["serve", "start", "stop"])
    parser.add_argument("--report-port", type=int, default=DEFAULT_PORTS["report"])
    parser.add_argument("--cdn-port", type=int, default=DEFAULT_PORTS["cdn"])
    parser.add_argument("--web-port", type=int, default=DEFAULT_PORTS["web"])
    parser.add_argument("--record", help="record file (default: in a temporary folder)")
    parser.add_argument("--file", help="file served by the download endpoints")
    parser.add_argument("--serve-dir", action="append",
                        help="folder whose files may be served (repeatable; --file, --cert and "
                             "--key add their own folders)")
    parser.add_argument("--cert", help="PEM certificate for TLS (default: self-signed)")
    parser.add_argument("--key", help="PEM key for --cert")
    parser.add_argument("--no-tls", action="store_true", help="plain HTTP only on the report port")
    parser.add_argument("--script", help="JSON list of control commands applied at start")
    parser.add_argument("--ready-file", help="written (pid, record path) once listening")
    parser.add_argument("--state-dir", help="for start/stop: pid file and log")
    args = parser.parse_args(argv)
    if args.command == "serve":
        return serve(args)
    if not args.state_dir:
        parser.error("start and stop need --state-dir")
    if args.command == "stop":
        return stop(args)
    passthrough = []
    for folder in args.serve_dir or []:
        passthrough += ["--serve-dir", os.path.abspath(folder)]
    for name in ("report_port", "cdn_port", "web_port", "record", "file", "cert", "key", "script"):
        value = getattr(args, name)
        if value is not None:
            passthrough += ["--" + name.replace("_", "-"), str(value)]
    if args.no_tls:
        passthrough.append("--no-tls")
    return start(args, passthrough)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
