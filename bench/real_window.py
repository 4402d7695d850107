#!/usr/bin/env python3
"""The handheld program in a real window on a private X server (Xvfb) beside the same
program headless, in one run, with a copy of the full Simplified database:

- start to first frame: the program's own report (ORLEND_TIMING), one process per round,
  headless and real window alternating;
- a tap on Search with "china" in the box to the painted list: from the release of the tap
  to the last frame shown before the program next waits for input, both from the program's
  own clock (ORLEND_TIMING=2). In the window the taps come from xdotool through the X
  server; headless from a script. The first search of a process (its pages still to be
  touched) is reported apart from the later ones.

  bench/real_window.py BUILD_DIR DATA_DIR [ROUNDS]

Needs Xvfb and xdotool; without them it says so and ends.
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

SCALE = 2
BOX, SEARCH = (60, 178), (190, 180)  # handheld points: the search box and the Search button
FIRST_FRAME = re.compile(r"platform: first frame ([\d.]+) ms after the process started")
TRACE = re.compile(r"platform: (stylus up|frame shown|waiting) at ([\d.]+) ms")


def prepare(build, data):
    """A program folder of its own, with a copy of the database (the loader keeps its table
    beside the copy, never in the data folder). One headless start makes that table."""
    folder = os.path.join(build, "bench-scratch", "real-window")
    program = os.path.join(folder, "program")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(program)
    runtime = os.path.join(folder, "runtime")
    os.makedirs(runtime, mode=0o700)
    binaries = os.path.join(build, "bin")
    for name in ("orlend-dict", "orlend-dict-handheld", "tovu.dll", "zorwen.dll"):
        shutil.copy2(os.path.join(binaries, name), program)
    for name in ("res", "help"):
        shutil.copytree(os.path.join(binaries, name), os.path.join(program, name))
    shutil.copyfile(os.path.join(data, "cedict.gb.dat"), os.path.join(program, "cedict.gb.dat"))
    return folder, program, runtime


def environment(runtime, display=None, timing="1"):
    env = dict(os.environ, ORLEND_TIMING=timing, XDG_RUNTIME_DIR=runtime,
               SDL_AUDIODRIVER="dummy")
    env.pop("ORLEND_BACKEND", None)  # the default backend: headless with --headless, else SDL
    if display:
        env.update(DISPLAY=display, SDL_VIDEODRIVER="x11")
    else:
        env.pop("DISPLAY", None)
    return env


def start_xvfb():
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "800x700x24", "-nolisten", "tcp",
                               "-noreset"], pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            break
        number += chunk
    os.close(read)
    if not number.strip():
        server.kill()
        server.wait()
        return None, None
    display = ":" + number.decode().strip()
    for _ in range(100):
        if subprocess.run(["xdotool", "getdisplaygeometry"], env=dict(os.environ, DISPLAY=display),
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
            break
        time.sleep(0.05)
    return server, display


def first_frame(log):
    with open(log) as f:
        m = FIRST_FRAME.search(f.read())
    return float(m.group(1)) if m else None


def tap_times(log):
    """Per release of a tap: the time to the last frame shown before the next wait."""
    events = []
    with open(log) as f:
        for line in f:
            m = TRACE.match(line)
            if m:
                events.append((m.group(1), float(m.group(2))))
    times = []
    for i, (kind, at) in enumerate(events):
        if kind != "stylus up":
            continue
        shown = None
        for later, when in events[i + 1:]:
            if later == "frame shown":
                shown = when
            elif later == "waiting":
                break
        times.append(shown - at if shown is not None else None)
    return times


def headless_first_frame(program, folder, env):
    script = os.path.join(folder, "start.script")
    with open(script, "w") as f:
        f.write("100 end\n")
    log = os.path.join(folder, "headless-start.log")
    with open(log, "w") as out:
        subprocess.run([os.path.join(program, "orlend-dict"), "--headless", "--script", script], env=env, stdout=out,
                       stderr=subprocess.STDOUT, timeout=60)
    return first_frame(log)


def window_first_frame(program, folder, env):
    log = os.path.join(folder, "window-start.log")
    with open(log, "w") as out:
        child = subprocess.Popen([os.path.join(program, "orlend-dict"), "--scale", str(SCALE)], env=env, stdout=out,
                                 stderr=subprocess.STDOUT)
    ms = None
    until = time.monotonic() + 20
    while ms is None and time.monotonic() < until and child.poll() is None:
        time.sleep(0.02)
        ms = first_frame(log)
    child.kill()
    child.wait()
    return ms


def headless_taps(program, folder, env, taps):
    script = os.path.join(folder, "taps.script")
    with open(script, "w") as f:
        f.write(f"500 move {BOX[0]} {BOX[1]}\n+10 tap {BOX[0]} {BOX[1]}\n+100 text china\n")
        for _ in range(taps):
            f.write(f"+300 move {SEARCH[0]} {SEARCH[1]}\n+10 tap {SEARCH[0]} {SEARCH[1]}\n")
        f.write("+300 end\n")
    log = os.path.join(folder, "headless-taps.log")
    with open(log, "w") as out:
        subprocess.run([os.path.join(program, "orlend-dict"), "--headless", "--script", script], env=env, stdout=out,
                       stderr=subprocess.STDOUT, timeout=120)
    return tap_times(log)[1:]  # the first tap is the one on the box


def window_taps(program, folder, env, taps):
    log = os.path.join(folder, "window-taps.log")
    with open(log, "w") as out:
        child = subprocess.Popen([os.path.join(program, "orlend-dict"), "--scale", str(SCALE)], env=env, stdout=out,
                                 stderr=subprocess.STDOUT)
    xenv = dict(os.environ, DISPLAY=env["DISPLAY"])
    try:
        window = ""
        until = time.monotonic() + 20
        while not window and time.monotonic() < until:
            time.sleep(0.05)
            found = subprocess.run(["xdotool", "search", "--name", "Duzavur"], env=xenv, capture_output=True, text=True)
            window = found.stdout.split()[0] if found.stdout.split() else ""
        if not window:
            return []
        time.sleep(0.3)

        def tap(point):
            subprocess.run(["xdotool", "mousemove", "--window", window, str(point[0] * SCALE + 1),
                            str(point[1] * SCALE + 1), "click", "1"], env=xenv, check=True)

        tap(BOX)
        subprocess.run(["xdotool", "type", "--delay", "30", "china"], env=xenv, check=True)
        for _ in range(taps):
            time.sleep(0.3)
            tap(SEARCH)
        time.sleep(0.5)
    finally:
        child.kill()
        child.wait()
    return tap_times(log)[1:]


def main():
    build, data = sys.argv[1], sys.argv[2]
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 9
    if not shutil.which("Xvfb") or not shutil.which("xdotool"):
        print("real_window.py: Xvfb or xdotool is missing; no real-window figures")
        return
    folder, program, runtime = prepare(build, data)
    headless_env = environment(runtime)
    headless_first_frame(program, folder, headless_env)  # makes the kept table
    server, display = start_xvfb()
    if not server:
        print("real_window.py: Xvfb did not start")
        return
    try:
        window_env = environment(runtime, display)
        starts = {"headless": [], "window": []}
        first_taps = {"headless": [], "window": []}
        later_taps = {"headless": [], "window": []}
        for _ in range(rounds):
            starts["headless"].append(headless_first_frame(program, folder, headless_env))
            starts["window"].append(window_first_frame(program, folder, window_env))
        for _ in range(max(1, rounds // 3)):
            for kind, measure, env in (("headless", headless_taps, environment(runtime, timing="2")),
                                       ("window", window_taps, environment(runtime, display, "2"))):
                times = [t for t in measure(program, folder, env, 6)]
                if times:
                    first_taps[kind].append(times[0])
                    later_taps[kind].extend(times[1:])
    finally:
        server.terminate()
        server.wait()

    def median(values):
        values = [v for v in values if v is not None]
        return statistics.median(values) if values else None

    def cell(v):
        return f"{v:8.1f}" if v is not None else "       -"

    load = os.getloadavg()[0]
    print(f"\nThe handheld program, headless and in a real window under Xvfb (load average {load:.1f}); "
          "medians, ms, from the program's own clock")
    print(f"{'':34}{'headless':>8}{'window':>8}   window against headless")
    s_h, s_w = median(starts["headless"]), median(starts["window"])
    diff = f"{s_w - s_h:+.1f} ms (at most +60)" if s_h and s_w else "-"
    print(f"{'start to first frame':<34}{cell(s_h)}{cell(s_w)}   {diff}  [{len(starts['window'])} starts each]")
    for label, taps in (("tap on Search to painted list", later_taps), ("  the first search of a process", first_taps)):
        h, w = median(taps["headless"]), median(taps["window"])
        ratio = f"{w / h:.2f}x" if h and w else "-"
        target = " (at most 2x)" if taps is later_taps else ""
        print(f"{label:<34}{cell(h)}{cell(w)}   {ratio}{target}  [{len(taps['window'])} taps]")


if __name__ == "__main__":
    main()
