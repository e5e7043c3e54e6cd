#!/usr/bin/env python3
"""Kills the real program with SIGKILL at random moments while a user paints, starts it again and
recovers, as a user would, on an X display with a window manager (DISPLAY must be set).

    tests/tools/kill_recovery.py PENNOVA [RUNS] [--seed N] [--keep DIR]

Each run opens a white picture, paints a first stroke and lifts the pen long enough for the first
autosave, then paints strokes of random length with random pauses (some long enough for the
pen-up autosave, some not) until it is killed at a random moment 4-45 s after the first stroke,
often in the middle of a stroke. The autosave file the kill left is copied aside. Then the
program starts again and must offer the picture for recovery; Recover, then Save (which must be
Save As proposing the picture's file) and Yes to replacing it; the saved file must hold exactly
the pixels of the copied autosave. The work lost is the painting done after the autosave's
picture was taken (its record's time), up to the kill. Prints one line a run and a summary; exits
1 if any run fails a check.
"""

import argparse
import glob
import json
import os
import random
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
from datetime import datetime


def xdo(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True).stdout


def wait_window(name, timeout):
    end = time.time() + timeout
    while time.time() < end:
        ids = xdo("search", "--onlyvisible", "--name", name).split()
        if ids:
            return ids[0]
        time.sleep(0.1)
    return None


def record_of(path):
    """The record chunk of an autosave file (the time its picture was taken), or None."""
    with open(path, "rb") as f:
        data = f.read(1 << 20)
    pos = 8
    while pos + 12 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"pnRc":
            return json.loads(data[pos + 8:pos + 8 + length])
        if kind == b"IDAT":
            break
        pos += 12 + length
    return None


def same_pixels(a, b):
    result = subprocess.run(["compare", "-metric", "AE", a, b, "null:"], capture_output=True,
                            text=True)
    return result.returncode == 0 and result.stderr.strip() == "0"


def start(pennova, picture, env, log):
    return subprocess.Popen([pennova, picture], env=env, stdout=log, stderr=subprocess.STDOUT)


def paint_until_killed(window, process, rng, kill_at):
    """Paints random strokes until kill_at (time.time()); returns the end times of strokes
    finished before the kill and whether the kill came during a stroke."""
    ends = []
    geometry = xdo("getwindowgeometry", window)
    width, height = 400, 300
    for line in geometry.splitlines():
        if "Geometry:" in line:
            width, height = map(int, line.split()[-1].split("x"))
    first = True
    while True:
        x, y = rng.randint(20, width - 20), rng.randint(60, height - 20)
        xdo("mousemove", "--window", window, x, y, "mousedown", 1)
        for _ in range(rng.randint(3, 25)):
            x = min(width - 10, max(10, x + rng.randint(-30, 30)))
            y = min(height - 10, max(50, y + rng.randint(-30, 30)))
            xdo("mousemove", "--window", window, x, y)
            time.sleep(0.02)
            if time.time() >= kill_at:
                process.send_signal(signal.SIGKILL)
                xdo("mouseup", 1)
                return ends, True
        xdo("mouseup", 1)
        ends.append(time.time())
        pause = 3.0 if first else rng.choice([0.05, 0.2, 0.5, 1.0, 2.6, 3.5])
        first = False
        while pause > 0:
            if time.time() >= kill_at:
                process.send_signal(signal.SIGKILL)
                return ends, False
            time.sleep(min(0.05, pause))
            pause -= 0.05


def one_run(pennova, work, rng, index):
    os.makedirs(work)
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=f"{work}/config",
               XDG_DATA_HOME=f"{work}/data", XDG_STATE_HOME=f"{work}/state")
    picture = f"{work}/picture.png"
    subprocess.run(["convert", "-size", "400x300", "xc:white", f"PNG32:{picture}"], check=True)
    log = open(f"{work}/pennova.log", "w")
    result = {"run": index}

    process = start(pennova, picture, env, log)
    window = wait_window("^picture.png$", 20)
    if not window:
        process.kill()
        return dict(result, error="the program showed no window")
    time.sleep(0.5)
    duration = rng.uniform(4, 45)
    began = time.time()
    ends, mid_stroke = paint_until_killed(window, process, rng, began + duration)
    killed = time.time()
    process.wait()
    result.update(painted=round(killed - began, 1), strokes=len(ends), mid_stroke=mid_stroke)

    files = glob.glob(f"{work}/data/*/*/autosave/*/*.png")
    if not files:
        return dict(result, error="no autosave was left")
    last = f"{work}/last-autosave.png"
    shutil.copy(files[0], last)
    record = record_of(last)
    taken = datetime.fromisoformat(record["time"].replace("Z", "+00:00")).timestamp()
    lost = [e for e in ends if e > taken]
    # Work lost: painting after the picture was taken, up to the kill.
    result["lost_s"] = round(max(0.0, killed - taken) if lost or mid_stroke else 0.0, 1)

    process = start(pennova, picture, env, log)
    offer = wait_window("^Recover Unsaved Pictures$", 20)
    result["offered"] = bool(offer)
    if not offer:
        process.kill()
        return dict(result, error="no recovery was offered")
    time.sleep(0.5)
    if index == 1:
        subprocess.run(["import", "-window", "root", f"{work}/offer.png"])
    xdo("key", "--window", offer, "Tab")  # Decide Later has the focus; Recover is next
    xdo("key", "--window", offer, "space")
    recovered = wait_window("(Recovered)", 10)
    if not recovered:
        process.kill()
        return dict(result, error="no recovered document")
    dialog = None
    for _ in range(3):  # the key goes to the active window: make sure it is the recovered one
        xdo("windowactivate", "--sync", recovered)
        time.sleep(0.5)
        if "(Recovered)" in xdo("getactivewindow", "getwindowname"):
            xdo("key", "ctrl+s")
            dialog = wait_window("^Save As$", 10)
            if dialog:
                break
    if not dialog:
        process.kill()
        return dict(result, error="Save did not ask where to save")
    time.sleep(0.5)
    xdo("key", "--window", dialog, "Return")  # the proposed file: the picture's own
    time.sleep(0.7)
    xdo("key", "alt+y")  # replace it
    time.sleep(1.0)
    result["identical"] = same_pixels(picture, last)
    xdo("key", "ctrl+q")
    try:
        process.wait(10)
    except subprocess.TimeoutExpired:
        process.kill()
        return dict(result, error="the program did not quit")
    if not result["identical"]:
        return dict(result, error="the saved picture differs from the last autosave")
    return result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("pennova")
    parser.add_argument("runs", type=int, nargs="?", default=20)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    parser.add_argument("--keep", help="folder for the runs' files (default: a temporary one)")
    args = parser.parse_args()
    rng = random.Random(args.seed)
    root = args.keep or tempfile.mkdtemp(prefix="pennova-kill-")
    os.makedirs(root, exist_ok=True)
    print(f"seed {args.seed}, files in {root}")
    results = []
    for i in range(1, args.runs + 1):
        r = one_run(args.pennova, f"{root}/run-{i}", rng, i)
        results.append(r)
        print(json.dumps(r), flush=True)
    failed = [r for r in results if "error" in r]
    offered = sum(1 for r in results if r.get("offered"))
    identical = sum(1 for r in results if r.get("identical"))
    lost = max((r.get("lost_s", 0) for r in results), default=0)
    print(f"offered {offered}/{len(results)}, identical to the last autosave "
          f"{identical}/{len(results)}, most work lost {lost} s, failed {len(failed)}")
    if not args.keep and not failed:
        shutil.rmtree(root)
    return 1 if failed or lost > 30 else 0


if __name__ == "__main__":
    sys.exit(main())
