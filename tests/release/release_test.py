#!/usr/bin/env python3
"""Tests of scripts/release.sh.

usage:
  release_test.py arguments    --release=SH --scratch=DIR
  release_test.py signed       --release=SH --build=DIR --out=DIR --cert=PEM --key=PEM --root=PEM
                               --publisher=NAME --stranger-root=PEM
  release_test.py reproducible --release=SH --scratch=DIR

arguments:    bad channels and options end with exit 2 before anything is built.
signed:       two channels signed with the test chain: what release.json says
              matches the files, each carries its channel and verifies against
              the root under the publisher's name; without signing material the
              development certificate signs and the manifest says so; a release
              that fails half-way leaves no manifest and no installers. --out is
              left for the Wine test.
reproducible: the unsigned installer of one channel, built in two fresh build
              folders one after the other (the second without ccache, so a
              path or time that leaks into an object cannot hide behind a
              cached copy), is the same bytes. Prints how long each build took.
"""
import hashlib
import json
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "signing"))
import read_pe_resource  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED: " + message)
    return condition


def run(command, env=None, timeout=3000):
    print("$ " + " ".join(command), flush=True)
    result = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            env=env, timeout=timeout)
    text = result.stdout.decode(errors="replace")
    print(text[-4000:], flush=True)
    return result.returncode, text


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def options(argv):
    values = {}
    for arg in argv:
        name, _, value = arg.partition("=")
        values[name.lstrip("-")] = value
    return values


def test_arguments(o):
    build = os.path.join(o["scratch"], "never-build")
    out = os.path.join(o["scratch"], "never-out")
    shutil.rmtree(o["scratch"], ignore_errors=True)
    cases = {
        "no channel": [],
        "empty channel": [""],
        "65 bytes": ["c" * 65],
        "not ASCII": ["canal_\u00e9t\u00e9"],
        "path separator": ["partner/one"],
        "forbidden in file names": ["what?"],
        "same file on Windows": ["Partner", "partner"],
        "unknown option": ["--sign", "a"],
        "unsigned and signed": ["--unsigned", "--sign-cert", __file__, "--sign-key", __file__, "a"],
        "certificate without key": ["--sign-cert", __file__, "a"],
    }
    for what, args in cases.items():
        code, text = run([o["release"], "--build", build, "--out", out] + args)
        check(code == 2, "%s: exit %d, expected 2" % (what, code))
        check("release.sh: " in text, "%s: no message" % what)
    check(not os.path.exists(build) and not os.path.exists(out), "a refused release created folders")
    code, _ = run([o["release"], "--build", build, "--out", out, "--sign-cert", __file__, "--sign-key", __file__, "a"])
    check(code == 2, "a certificate file without a certificate: exit %d, expected 2" % code)
    check(not os.path.exists(build), "a refused release created the build folder")
    # 64 bytes of printable ASCII is a channel; it only fails later, on the
    # build folder, which is not a Windows one.
    os.makedirs(build)
    with open(os.path.join(build, "CMakeCache.txt"), "w") as f:
        f.write("CMAKE_HOME_DIRECTORY:INTERNAL=/elsewhere\n")
    code, text = run([o["release"], "--unsigned", "--build", build, "--out", out, "--", "-" + "~ ,.=" * 12 + "end"])
    check(code == 2 and "is a build folder of /elsewhere" in text, "the longest channel was refused: %d" % code)
    check(not os.path.exists(os.path.join(out, "release.json")), "a refused release wrote a manifest")
    shutil.rmtree(o["scratch"], ignore_errors=True)


def verify_signature(path, root):
    return run(["osslsigncode", "verify", "-CAfile", root, "-ignore-cdp", "-in", path])


def test_signed(o):
    channels = ["partner one", "Upgrade_2026-12"]
    out = o["out"]
    shutil.rmtree(out, ignore_errors=True)
    signing = ["--sign-cert", o["cert"], "--sign-key", o["key"], "--sign-chain", o["root"]]
    code, _ = run([o["release"], "--build", o["build"], "--out", out] + signing + channels)
    if not check(code == 0, "release exit %d" % code):
        return
    with open(os.path.join(out, "release.json"), encoding="utf-8") as f:
        manifest = json.load(f)
    check([e["channel"] for e in manifest] == channels, "manifest channels %r" % manifest)
    names = sorted(os.listdir(out))
    check(names == sorted(["release.json"] + ["LumaCastInstaller-%s.exe" % c for c in channels]),
          "release folder holds %r" % names)
    scratch = out + "-check"
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    for entry in manifest:
        path = os.path.join(out, entry["file"])
        check(entry["file"] == "LumaCastInstaller-%s.exe" % entry["channel"], "file name %r" % entry["file"])
        check(entry["size"] == os.path.getsize(path), "%s: size" % entry["file"])
        check(entry["sha256"] == sha256(path), "%s: sha256" % entry["file"])
        check(entry["signer"] == "CN=" + o["publisher"], "%s: signer %r" % (entry["file"], entry["signer"]))
        check(entry["development_certificate"] is False, "%s: marked as development" % entry["file"])
        check(read_pe_resource.read_resource(path, "CHANNEL", 138) == entry["channel"].encode(),
              "%s: channel resource" % entry["file"])
        code, text = verify_signature(path, o["root"])
        check(code == 0 and "Subject: /CN=" + o["publisher"] in text, "%s: does not verify" % entry["file"])
        code, _ = verify_signature(path, o["stranger-root"])
        check(code != 0, "%s: verifies against a stranger's root" % entry["file"])
        # unsigned_sha256 is the program the signature was made over.
        stripped = os.path.join(scratch, entry["file"])
        code, _ = run(["osslsigncode", "remove-signature", "-in", path, "-out", stripped])
        check(code == 0 and sha256(stripped) == entry["unsigned_sha256"] != entry["sha256"],
              "%s: unsigned_sha256 is not the program without its signature" % entry["file"])
    shutil.rmtree(scratch, ignore_errors=True)

    # No signing material: the development certificate, said loudly, marked.
    development = out + "-development"
    shutil.rmtree(development, ignore_errors=True)
    code, text = run([o["release"], "--build", o["build"], "--out", development, channels[0]])
    check(code == 0 and text.count("DEVELOPMENT CERTIFICATE") == 2, "development release: exit %d, not loud" % code)
    if code == 0:
        with open(os.path.join(development, "release.json"), encoding="utf-8") as f:
            entry = json.load(f)[0]
        check(entry["development_certificate"] is True and "not for release" in entry["signer"],
              "development release not marked: %r" % entry)
    shutil.rmtree(development, ignore_errors=True)

    # A release that fails after building (the time-stamp server refuses)
    # takes the earlier manifest with it and publishes nothing.
    failed = out + "-failed"
    shutil.rmtree(failed, ignore_errors=True)
    os.makedirs(failed)
    with open(os.path.join(failed, "release.json"), "w") as f:
        f.write("[]\n")
    code, _ = run([o["release"], "--build", o["build"], "--out", failed, "--timestamp", "http://127.0.0.1:9/"]
                  + signing + channels)
    check(code == 1, "failed release exit %d, expected 1" % code)
    check(os.listdir(failed) == [], "a failed release left %r" % os.listdir(failed))
    shutil.rmtree(failed, ignore_errors=True)


def test_reproducible(o):
    channel = "google_search"
    base = o["scratch"]
    shutil.rmtree(base, ignore_errors=True)
    results = []
    for folder, extra in (("first", {}), ("second/other-depth", {"CCACHE_DISABLE": "1"})):
        root = os.path.join(base, folder)
        env = dict(os.environ, **extra)
        env.setdefault("CMAKE_BUILD_PARALLEL_LEVEL", "2")  # a test among others, not the machine's only job
        env.pop("SOURCE_DATE_EPOCH", None)
        started = time.monotonic()
        code, _ = run([o["release"], "--unsigned", "--build", os.path.join(root, "build"),
                       "--out", os.path.join(root, "out"), channel], env=env)
        print("build in %s took %.0f s" % (folder, time.monotonic() - started), flush=True)
        if not check(code == 0, "release in %s exit %d" % (folder, code)):
            return
        results.append(os.path.join(root, "out", "LumaCastInstaller-%s.exe" % channel))
    with open(results[0], "rb") as f:
        first = f.read()
    with open(results[1], "rb") as f:
        second = f.read()
    if not check(first == second, "the two builds differ"):
        offset = next((i for i, (a, b) in enumerate(zip(first, second)) if a != b), min(len(first), len(second)))
        print("sizes %d and %d; first difference at offset 0x%x" % (len(first), len(second), offset))
        return  # the folders stay for a look
    shutil.rmtree(base, ignore_errors=True)


def main(argv):
    tests = {"arguments": test_arguments, "signed": test_signed, "reproducible": test_reproducible}
    if len(argv) < 2 or argv[1] not in tests:
        sys.stderr.write(__doc__)
        return 2
    tests[argv[1]](options(argv[2:]))
    print("%d failure(s)" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
