#!/usr/bin/env python3
"""Writes docs/performance.md and docs/performance.png from the JSON files of one benchmark run.

Usage: write_performance.py RESULTS_DIR DOCS_DIR MACHINE_FILE

RESULTS_DIR holds one Google Benchmark JSON file per program (NAME.json); MACHINE_FILE is the
text the run script gathered about the machine and its load. Single-threaded steps are given as
the benchmark thread's CPU time (the machine is shared, so its wall time says more about the
neighbours than about the code); live view as frames per second and process CPU per frame.
"""
import json
import os
import re
import sys

import many_cameras_section
import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (the back end is chosen first)


def load(results, program):
    path = os.path.join(results, program + ".json")
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        runs = json.load(f).get("benchmarks", [])
    return {re.sub(r"/(min_time|iterations|real_time).*$", "", r["name"]): r for r in runs if "error_message" not in r}


def ms(run, key="cpu_time"):
    unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[run.get("time_unit", "ns")]
    return run[key] * unit


def fmt(value, digits=2):
    return "-" if value is None else f"{value:.{digits}f}"


# (label, program, our run, OpenCV's run or None, OpenCV's counterpart)
STEPS = [
    ("Demosaic 8 -> 24 bit", "image_demosaic_bench", "BM_Ovilux8To24", "BM_OpenCv8To24", "cvtColor BayerBG2BGR"),
    ("Demosaic 16 -> 48 bit", "image_demosaic_bench", "BM_Ovilux16To48", "BM_OpenCv16To48", "cvtColor BayerBG2BGR"),
    ("Hue and saturation, 24 bit", "image_filter_bench", "BM_HueSaturation", "BM_OpenCvHlsRoundTrip", "BGR2HLS and back"),
    ("Hue and saturation, 48 bit", "image_filter_bench", "BM_HueSaturation48", "BM_OpenCvHlsRoundTrip", "BGR2HLS and back (8 bit)"),
    ("Gamma", "image_filter_bench", "BM_Gamma", "BM_OpenCvLut", "LUT"),
    ("Contrast", "image_filter_bench", "BM_Contrast", "BM_OpenCvLut", "LUT"),
    ("Brightness", "image_filter_bench", "BM_Brightness", "BM_OpenCvLut", "LUT"),
    ("Gamma, contrast, brightness as one table", "image_filter_bench", "BM_TonesFused", "BM_OpenCvLut", "LUT"),
    ("Sharpness, 24 bit", "image_filter_bench", "BM_Sharpen", "BM_OpenCvBlurAddWeighted", "blur 4x4 + addWeighted"),
    ("Sharpness, 48 bit", "image_filter_bench", "BM_Sharpen48", None, ""),
    ("Isolated-dot suppression, 8 bit raw", "image_dot_filter_bench", "DotSuppression/fast_8bit", None, ""),
    ("Isolated-dot suppression, 16 bit raw", "image_dot_filter_bench", "DotSuppression/fast_16bit", None, ""),
    ("Mask filter, 8 bit raw", "image_defect_mask_bench", "MaskFilter/8bit", None, ""),
    ("Mask filter, 16 bit raw", "image_defect_mask_bench", "MaskFilter/16bit", None, ""),
    ("Dot filter, 8 bit raw", "image_defect_mask_bench", "DotFilter/8bit", None, ""),
    ("Dot filter, 16 bit raw", "image_defect_mask_bench", "DotFilter/16bit", None, ""),
]

LIVE = [
    ("24 bit, default settings", "bits:24/every_step:0/defect_filters:0/exposure_us:10000"),
    ("24 bit, default settings, exposure 66.6 ms", "bits:24/every_step:0/defect_filters:0/exposure_us:66600"),
    ("8 bit, default settings", "bits:8/every_step:0/defect_filters:0/exposure_us:10000"),
    ("24 bit, every adjustment step on", "bits:24/every_step:1/defect_filters:0/exposure_us:10000"),
    ("24 bit, mask and dot filters on", "bits:24/every_step:0/defect_filters:1/exposure_us:10000"),
    ("24 bit, every step on, mask and dot filters included", "bits:24/every_step:1/defect_filters:1/exposure_us:10000"),
]


def main():
    results, docs, machine_file = sys.argv[1:4]
    with open(machine_file) as f:
        machine = f.read().strip()
    runs = {}
    for program in {s[1] for s in STEPS} | {"api_live_view_bench", "camera_streaming_bench"}:
        runs[program] = load(results, program)

    def get(program, name):
        run = runs.get(program, {}).get(name)
        return ms(run) if run else None

    lines = ["# Performance", "",
             "Written by `bench/run-all.sh` from one run of every benchmark in `bench/` on a release build "
             "(2560 x 1920 frames; raw steps on the full 2592 x 1944 sensor). Times are the benchmark "
             "thread's CPU milliseconds per frame, one thread, OpenCV held to one thread in the same run. "
             "Speed is measured here and never asserted in tests.", "",
             "## Machine", "", "```", machine, "```", "",
             "## Each step beside its OpenCV counterpart", "",
             "| step | ms | OpenCV counterpart | OpenCV ms | ratio (ours / OpenCV) |",
             "|---|---:|---|---:|---:|"]
    plot_rows = []
    for label, program, ours, theirs, counterpart in STEPS:
        a = get(program, ours)
        b = get(program, theirs) if theirs else None
        ratio = a / b if a is not None and b else None
        lines.append(f"| {label} | {fmt(a)} | {counterpart or '-'} | {fmt(b)} | {fmt(ratio)} |")
        if a is not None:
            plot_rows.append((label, a, b))

    chain24 = get("image_filter_bench", "BM_Chain8To24")
    chain48 = get("image_filter_bench", "BM_Chain16To48")
    lines += ["", "## The whole chain with every step on", "",
              "Isolated-dot suppression, white-balance measurement, demosaic, hue, saturation, gamma, "
              "contrast, sharpness, brightness, from the raw frame, one thread.", "",
              "| output | ms per frame |", "|---|---:|",
              f"| 24 bit | {fmt(chain24)} |", f"| 48 bit | {fmt(chain48)} |"]
    if chain24 is not None:
        plot_rows.append(("Whole chain, 24 bit", chain24, None))
    if chain48 is not None:
        plot_rows.append(("Whole chain, 48 bit", chain48, None))

    live = runs.get("api_live_view_bench", {})
    lines += ["", "## Live view", "",
              "Callback delivery through the C API, simulated camera in fast mode (frames as fast as they "
              "are read); the camera renders in the same process, so its work is part of the CPU figure. "
              "Since such a camera makes each frame as it is read, the transfer thread reads the next "
              "frame only once the converting thread has taken the last, and reads it while that one is "
              "converted. On a busy machine both share what the neighbours leave: these figures follow "
              "the load average above far more than the single-thread times do.", "",
              "| case | frames/s | process CPU ms per frame |", "|---|---:|---:|"]
    live_fps = {}
    for label, key in LIVE:
        run = live.get("LiveViewCallbackDelivery/" + key)
        fps = run.get("frames_per_s") if run else None
        live_fps[key] = fps
        lines.append(f"| {label} | {fmt(fps, 1)} | {fmt(run.get('cpu_ms_per_frame') if run else None, 1)} |")

    stream = runs.get("camera_streaming_bench", {})
    lines += ["", "## The simulated camera in fast mode", "",
              "Full 8-bit frames through the camera device object, at three exposures.", "",
              "| exposure | frames/s |", "|---|---:|"]
    for tenths in (100, 666, 20000):
        run = stream.get(f"FastStreaming/exposure:{tenths}")
        lines.append(f"| {tenths / 10:g} ms | {fmt(run.get('frames_per_s') if run else None, 1)} |")

    live_text = {}
    if os.path.exists(os.path.join(results, "live.txt")):
        with open(os.path.join(results, "live.txt")) as f:
            live_text = dict(line.split() for line in f if len(line.split()) == 2)
    tool_fps = float(live_text["tool"]) if "tool" in live_text else None
    python_fps = float(live_text["python"]) if "python" in live_text else None
    lines += ["", "## Python stream() beside the ovilux tool", "",
              "24 bit, fast mode, 10 s each, one after the other.", "",
              "| program | frames/s |", "|---|---:|",
              f"| `ovilux live` | {fmt(tool_fps, 1)} |", f"| Python `Camera.stream()` | {fmt(python_fps, 1)} |"]

    hue = get("image_filter_bench", "BM_HueSaturation")
    hls = get("image_filter_bench", "BM_OpenCvHlsRoundTrip")
    goals = [
        ("Whole chain, 24 bit, at most 12 ms", chain24, lambda v: v <= 12),
        ("Whole chain, 48 bit, at most 16 ms", chain48, lambda v: v <= 16),
        ("Hue and saturation at most half of OpenCV's HLS round trip", hue / hls if hue and hls else None, lambda v: v <= 0.5),
        ("Mask filter, 8 bit, at most 4 ms", get("image_defect_mask_bench", "MaskFilter/8bit"), lambda v: v <= 4),
        ("Dot filter, 8 bit, at most 4 ms", get("image_defect_mask_bench", "DotFilter/8bit"), lambda v: v <= 4),
        ("Live view at default settings, at least 150 frames/s", live_fps.get(LIVE[0][1]), lambda v: v >= 150),
        ("Live view with every step on, mask and dot filters included, at least 60 frames/s",
         live_fps.get(LIVE[5][1]), lambda v: v >= 60),
        ("Python stream() at least 80 % of ovilux live (ratio)",
         python_fps / tool_fps if python_fps and tool_fps else None, lambda v: v >= 0.8),
        ("Preview window under Wine at least 30 frames/s", None, None),
    ]
    lines += ["", "## Goals", "", "| goal | measured | met |", "|---|---:|---|"]
    for label, value, test in goals:
        verdict = "not measured by this script" if value is None else ("met" if test(value) else "NOT met")
        lines.append(f"| {label} | {fmt(value)} | {verdict} |")
    lines += ["", "![Each step and the chain beside OpenCV](performance.png)", ""]
    lines += many_cameras_section.lines(results, docs)

    with open(os.path.join(docs, "performance.md"), "w") as f:
        f.write("\n".join(lines))

    labels = [r[0] for r in plot_rows][::-1]
    ours = [r[1] for r in plot_rows][::-1]
    theirs = [r[2] or 0 for r in plot_rows][::-1]
    fig, ax = plt.subplots(figsize=(9, 0.38 * len(labels) + 1.2))
    y = range(len(labels))
    ax.barh([i + 0.2 for i in y], ours, height=0.4, label="Ovilux", color="#2a6f97")
    ax.barh([i - 0.2 for i in y], theirs, height=0.4, label="OpenCV 4.6 counterpart", color="#c9a227")
    ax.set_yticks(list(y))
    ax.set_yticklabels(labels, fontsize=8)
    ax.set_xlabel("CPU ms per frame (one thread)")
    ax.legend(loc="lower right", fontsize=8)
    ax.grid(axis="x", alpha=0.3)
    fig.tight_layout()
    fig.savefig(os.path.join(docs, "performance.png"), dpi=100)


if __name__ == "__main__":
    main()
