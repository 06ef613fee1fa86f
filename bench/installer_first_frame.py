#!/usr/bin/env python3
"""Start-up figure of the real installer (Linux): the time from starting the
program to the first painted frame of its welcome page, seen on the screen
(the "Install Now" button's centre takes the button's colour), and the UI
thread's wake-ups per second while the welcome page sits idle.

  installer_first_frame.py PROGRAM LAYOUT_TOOL [RUNS]

Needs $DISPLAY (Xvfb). Each run gets fresh user folders. Not a test.
"""
import ctypes, ctypes.util, json, os, statistics, subprocess, sys, tempfile, time

x = ctypes.CDLL(ctypes.util.find_library("X11"))
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XGetImage.restype = ctypes.c_void_p
x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                        ctypes.c_ulong, ctypes.c_int]
x.XGetPixel.restype = ctypes.c_ulong
x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
x.XDestroyImage.argtypes = [ctypes.c_void_p]
display = x.XOpenDisplay(None)
root = x.XDefaultRootWindow(display)


def pixel(px, py):
    image = x.XGetImage(display, root, px, py, 1, 1, 0xFFFFFFFF, 2)
    if not image:
        return None
    value = x.XGetPixel(image, 0, 0)
    x.XDestroyImage(image)
    return value & 0xFFFFFF


def wakeups(pid):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as f:
            for line in f:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total


def main():
    program, tool = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    geometry = json.loads(subprocess.run([tool, "--geometry", "-", "basic/basic.xml"], capture_output=True,
                                         text=True).stdout)
    pad = geometry["controls"][0]["x"]
    button = next(c for c in geometry["controls"] if c["name"] == "btn_startinstall")
    screen_w = int(subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True).stdout.split()[0])
    screen_h = int(subprocess.run(["xdotool", "getdisplaygeometry"], capture_output=True, text=True).stdout.split()[1])
    w, h = geometry["window"]["width"] - 2 * pad, geometry["window"]["height"] - 2 * pad  # no compositor: no shadow
    px = (screen_w - w) // 2 + button["x"] - pad + 20
    py = (screen_h - h) // 2 + button["y"] - pad + 4
    times, idle = [], None
    for run in range(runs):
        home = tempfile.mkdtemp(prefix="lumacast-bench.")
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/c", XDG_DATA_HOME=home + "/d",
                   XDG_RUNTIME_DIR=home)
        before = pixel(px, py)
        start = time.perf_counter()
        proc = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while time.perf_counter() - start < 10:
            value = pixel(px, py)
            if value is not None and value != before and (value & 0xFF) > 0xC0:  # the blue button
                times.append((time.perf_counter() - start) * 1000)
                break
        if run == runs - 1:
            time.sleep(2)  # fade-in over
            first = wakeups(proc.pid)
            time.sleep(10)
            idle = (wakeups(proc.pid) - first) / 10.0
        proc.kill()
        proc.wait()
        time.sleep(0.3)
    print("start to first welcome frame: best %.1f ms, median %.1f ms (%d runs)" %
          (min(times), statistics.median(times), len(times)))
    print("idle wake-ups on the welcome page (all threads): %.2f per second" % idle)


if __name__ == "__main__":
    main()
