#!/usr/bin/env python3
"""The many-camera part of docs/performance.md: the table of 1 to 32 simulated cameras in one
process (many_cameras_bench.json), its plot docs/performance-many-cameras.png, and the goals of
the long runs (many-cameras-goal-*.json, from bench/many-cameras-goals.sh).

write_performance.py takes lines() for the page; run on its own (RESULTS_DIR) it prints the
goals' verdicts, as bench/many-cameras-goals.sh does at the end of its runs.
"""
import glob
import json
import os
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (the back end is chosen first)

CAMERAS = (1, 2, 4, 8, 16, 32)


def runs_of(path):
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [r for r in json.load(f).get("benchmarks", []) if "error_message" not in r]


def case(runs, cameras, real_timing, bits):
    prefix = f"/cameras:{cameras}/real_timing:{real_timing}/bits:{bits}/"
    return next((r for r in runs if prefix in r["name"]), None)


def fmt(value, digits=1):
    return "-" if value is None else f"{value:.{digits}f}"


def goal_runs(results):
    """name -> runs of one goal file; the four processes' files as a list under "4x4"."""
    goals = {"4x4": []}
    for path in sorted(glob.glob(os.path.join(results, "many-cameras-goal-*.json"))):
        name = os.path.basename(path)[len("many-cameras-goal-"):-len(".json")]
        runs = runs_of(path)
        if name.startswith("4x4"):
            goals["4x4"] += runs
        else:
            goals[name] = runs
    return goals


def verdicts(results):
    """(goal, measured, met or None when not measured) for every goal of the long runs."""
    goals = goal_runs(results)
    alone24 = case(goals.get("alone", []), 1, 1, 24)
    alone8 = case(goals.get("alone", []), 1, 1, 8)
    sixteen = case(goals.get("16", []), 16, 1, 24)
    thirty_two = case(goals.get("32", []), 32, 1, 8)
    four = [r for r in goals["4x4"] if "/cameras:4/" in r["name"]]
    rows = []

    def share(run, alone):
        if run is None or alone is None:
            return None
        return run["slowest_camera_frames_per_s"] / alone["frames_per_s"]

    def rate_goal(label, runs, alone):
        shares = [share(r, alone) for r in runs]
        if not runs or None in shares:
            rows.append((label, "not measured", None))
            return
        lost = sum(r["lost"] for r in runs)
        slowest = min(r["slowest_camera_frames_per_s"] for r in runs)
        measured = (f"slowest camera {slowest:.2f} frames/s = {100 * min(shares):.1f} % of one alone "
                    f"({alone['frames_per_s']:.2f}); {lost:.0f} lost")
        rows.append((label, measured, min(shares) >= 0.95 and lost == 0))

    rate_goal("16 cameras, one process, 60 s, real timing, 2560 x 1920, 24 bit: each >= 95 % of one alone, "
              "nothing lost", [sixteen] if sixteen else [], alone24)
    rate_goal("4 processes x 4 cameras, the same", four if len(four) == 4 else [], alone24)
    rate_goal("32 cameras, one process, 60 s, real timing, 8 bit: each >= 95 % of one alone, nothing lost",
              [thirty_two] if thirty_two else [], alone8)
    if sixteen and alone24:
        ratio = sixteen["library_ms_per_frame"] / alone24["library_ms_per_frame"]
        rows.append(("Library CPU ms per frame with 16 cameras <= 1.2 x with one (24 bit, real timing)",
                     f"{sixteen['library_ms_per_frame']:.2f} / {alone24['library_ms_per_frame']:.2f} = {ratio:.2f}",
                     ratio <= 1.2))
    else:
        rows.append(("Library CPU ms per frame with 16 cameras <= 1.2 x with one", "not measured", None))
    return rows


def lines(results, docs):
    runs = runs_of(os.path.join(results, "many_cameras_bench.json"))
    out = ["", "## Many cameras in one process", "",
           "`many_cameras_bench`: 1 to 32 simulated M03 cameras streaming at once, a session per camera at "
           "the default settings (2560 x 1920), callback delivery, each camera's messages read on a thread "
           "of its own, 5 s per case. CPU per frame is the process's, split into the simulated cameras' "
           "share (their own account of the CPU they used, on any thread: rendering and copying frames "
           "out, which a real camera does on its own hardware) and the rest, the library's. At real "
           "timing each camera sends the sensor's 14 frames/s. In fast mode the cameras send frames as "
           "fast as they are read: one or two cameras only, since from as many cameras as cores on "
           "every camera's threads want a whole core and the figures measure only how the cores are "
           "shared.", "",
           "| timing | bits | cameras | frames/s, all | frames/s, slowest camera | lost | CPU ms/frame | "
           "simulated cameras' | library's |",
           "|---|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for real_timing in (0, 1):
        for bits in (8, 24):
            for cameras in CAMERAS:
                r = case(runs, cameras, real_timing, bits)
                get = (lambda key: r[key] if r else None)
                out.append(f"| {'real' if real_timing else 'fast'} | {bits} | {cameras} | {fmt(get('frames_per_s'))} | "
                           f"{fmt(get('slowest_camera_frames_per_s'))} | {fmt(get('lost'), 0)} | "
                           f"{fmt(get('cpu_ms_per_frame'), 2)} | {fmt(get('sim_ms_per_frame'), 2)} | "
                           f"{fmt(get('library_ms_per_frame'), 2)} |")
    out += ["", "### The long runs (`bench/many-cameras-goals.sh`)", "", "| goal | measured | met |", "|---|---|---|"]
    for label, measured, met in verdicts(results):
        out.append(f"| {label} | {measured} | {'not measured by this run' if met is None else ('met' if met else 'NOT met')} |")
    out += ["", "![Frames per second and CPU per frame against the number of cameras](performance-many-cameras.png)", ""]
    plot(runs, os.path.join(docs, "performance-many-cameras.png"))
    return out


def plot(runs, path):
    fig, (rate, cpu) = plt.subplots(1, 2, figsize=(11, 4))
    for real_timing, style in ((0, "--"), (1, "-")):
        for bits, colour in ((8, "#2a6f97"), (24, "#c9a227")):
            points = [(c, case(runs, c, real_timing, bits)) for c in CAMERAS]
            points = [(c, r) for c, r in points if r]
            if not points:
                continue
            label = f"{'real timing' if real_timing else 'fast'}, {bits} bit"
            rate.plot([c for c, _ in points], [r["frames_per_s"] for _, r in points], style, color=colour, marker="o",
                      label=label)
            cpu.plot([c for c, _ in points], [r["library_ms_per_frame"] for _, r in points], style, color=colour,
                     marker="o", label=label + ", library")
            cpu.plot([c for c, _ in points], [r["sim_ms_per_frame"] for _, r in points], style, color=colour,
                     marker="x", alpha=0.5, label=label + ", simulated cameras")
    for ax, title in ((rate, "frames/s, all cameras together"), (cpu, "CPU ms per frame")):
        ax.set_xscale("log", base=2)
        ax.set_xticks(CAMERAS)
        ax.set_xticklabels([str(c) for c in CAMERAS])
        ax.set_xlabel("cameras in one process")
        ax.set_title(title, fontsize=10)
        ax.grid(alpha=0.3)
        ax.legend(fontsize=7)
    fig.tight_layout()
    fig.savefig(path, dpi=100)


if __name__ == "__main__":
    for goal, measured, met in verdicts(sys.argv[1]):
        print(f"{'not measured' if met is None else ('met' if met else 'NOT met')}: {goal}: {measured}")
