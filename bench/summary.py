#!/usr/bin/env python3
"""Prints the table of bench/README.md from a Google Benchmark JSON file of pennova_bench."""
import json
import sys


def load(path):
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b["name"].replace("/manual_time", "")
        runs[name] = b
    return data.get("context", {}), runs


def find(runs, prefix):
    for name, b in runs.items():
        if name.startswith(prefix):
            return b
    return None


def value(runs, prefix, counter, scale=1.0, digits=2):
    b = find(runs, prefix)
    if b is None or counter not in b:
        return "n/a"
    return ("%." + str(digits) + "f") % (b[counter] * scale)


def main():
    context, runs = load(sys.argv[1])
    rows = []
    peer = "BM_EngineBesidePeer/canvas:%d/R:%d/constwidth:%d"
    for r, goal in ((5, ">= 4x"), (25, ">= 2.5x")):
        rows.append(("engine R%d equal area, 1024^2 / 8192^2 (x peer)" % r,
                     "%s / %s" % (value(runs, peer % (1024, r, 0), "ratio"),
                                  value(runs, peer % (8192, r, 0), "ratio")), goal))
    rows.append(("engine R25 constant width, 1024^2 / 8192^2 (x peer)",
                 "%s / %s" % (value(runs, peer % (1024, 25, 1), "ratio"),
                              value(runs, peer % (8192, 25, 1), "ratio")), ">= 1.5x"))
    rows.append(("time(8192^2) / time(1024^2), diameter 10 / 50",
                 "%s / %s" % (value(runs, "BM_EngineCanvasSizeRatio/diameter:10", "ratio_8192_1024"),
                              value(runs, "BM_EngineCanvasSizeRatio/diameter:50", "ratio_8192_1024")),
                 "<= 1.10"))
    rows.append(("pen-up of the R25 zigzag, ms", value(runs, "BM_PenUpUndoRedo", "pen_up_ms"), "<= 2"))
    rows.append(("undo / redo of it at once, ms",
                 "%s / %s" % (value(runs, "BM_PenUpUndoRedo", "undo_at_once_ms"),
                              value(runs, "BM_PenUpUndoRedo", "redo_at_once_ms")), "<= 5"))
    rows.append(("undo / redo of it once compressed, ms",
                 "%s / %s" % (value(runs, "BM_PenUpUndoRedo", "undo_ms"),
                              value(runs, "BM_PenUpUndoRedo", "redo_ms")), "<= 5"))
    kinds = ("curve", "flat fill", "real stroke", "noise")
    for i, kind in enumerate(kinds):
        rows.append(("512^2 %s: undo / redo, ms" % kind,
                     "%s / %s" % (value(runs, "BM_UndoRedo512/curve_flat_stroke_noise:%d" % i, "undo_ms"),
                                  value(runs, "BM_UndoRedo512/curve_flat_stroke_noise:%d" % i, "redo_ms")),
                     "<= 6" if kind == "noise" else "<= 2"))
    for r, goal in ((5, "<= 1.2"), (25, "<= 0.5")):
        rows.append(("undo bytes per changed pixel R%d: payload / heap" % r,
                     "%s / %s" % (value(runs, "BM_UndoBytesPerChangedPixel/R:%d" % r, "payload_bytes_per_px"),
                                  value(runs, "BM_UndoBytesPerChangedPixel/R:%d" % r, "heap_bytes_per_px")),
                     goal))
    for side in (1024, 8192, 16384):
        b = find(runs, "BM_FirstPressAfterSeal/canvas:%d" % side)
        press = "n/a" if b is None else "%.3f" % b["real_time"]
        rows.append(("first press after seal %d^2 (seal), ms" % side,
                     "%s (%s)" % (press, value(runs, "BM_FirstPressAfterSeal/canvas:%d" % side, "seal_ms", digits=3)),
                     "<= 1 (seal <= 50)"))
    main_thread = find(runs, "BM_AutosaveMainThread")
    copy = find(runs, "BM_AutosaveCopyReference")
    rows.append(("autosave 8192^2, main thread (copying the canvas instead), ms",
                 "%s (%s)" % ("n/a" if main_thread is None else "%.3f" % main_thread["real_time"],
                              "n/a" if copy is None else "%.1f" % copy["real_time"]), "<= 2"))
    rows.append(("autosave 8192^2, worker's write, s",
                 value(runs, "BM_AutosaveMainThread", "worker_write_s"), "-"))
    rows.append(("stroke 8192^2 without / during an autosave, us per sample",
                 "%s / %s" % (value(runs, "BM_StrokeDuringAutosave/autosaving:0", "us_per_sample"),
                              value(runs, "BM_StrokeDuringAutosave/autosaving:1", "us_per_sample")), "-"))
    rows.append(("moves through a shown window / engine alone, diameter 48",
                 value(runs, "BM_MovesThroughShownWindow", "view_over_engine"), "<= 1.3"))
    for name, b in runs.items():
        if name.startswith("BM_FullRepaint/"):
            args = dict(part.split(":") for part in name.split("/")[1:] if ":" in part)
            label = "full repaint 2560x1600 of 4096^2, %s %%, %s deg%s, ms" % (
                args.get("zoom"), args.get("degrees"), ", dragging" if args.get("dragging") == "1" else "")
            goal = "<= 12" if args.get("zoom") == "100" and args.get("degrees") == "30" else "<= 8"
            rows.append((label, "%.2f (cpu %.2f)" % (b["real_time"], b["cpu_time"]), goal))
    width = max(len(r[0]) for r in rows)
    print("load average at start: %s" % context.get("load_avg", "?"))
    print("%-*s  %-22s  %s" % (width, "measure", "now", "goal"))
    for label, now, goal in rows:
        print("%-*s  %-22s  %s" % (width, label, now, goal))


if __name__ == "__main__":
    main()
