#!/usr/bin/env python3
"""Runs `ovilux record` (under Wine for the Windows build) on the simulated camera looking at a
still picture, and reads what it wrote with ffprobe and ffmpeg, which share no code with the
library: the stream's format, size and frame count, every frame decoded and compared with the
image a snapshot delivers, a split recording, and a recording cut short by a full disk (a file
size limit). A small AVI written by the writer itself checks rows that need padding."""
import argparse
import os
import resource
import signal
import subprocess
import sys
import tempfile

from PIL import Image

failures = []
BLOCK = 40  # the scene's blocks, in pixels


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def run(command, emulator, limit_bytes=None, env=None):
    full = ([emulator] if emulator else []) + command

    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        if limit_bytes:
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_bytes, resource.RLIM_INFINITY))

    return subprocess.run(full, capture_output=True, text=True, env=env, preexec_fn=limit, timeout=120)


def native(path, emulator):
    """A path as the program sees it: Wine reaches the Linux folders through drive Z:."""
    return "Z:" + path.replace("/", "\\") if emulator else path


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                          "stream=codec_name,pix_fmt,width,height,nb_read_frames", "-of", "default=nw=1", path],
                         capture_output=True, text=True)
    fields = dict(line.split("=", 1) for line in out.stdout.split())
    check(out.returncode == 0 and not out.stderr.strip(), f"{path}: ffprobe complains: {out.stderr.strip()}")
    return fields


def frames_of(path, width, height):
    out = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr24", "-"],
                         capture_output=True)
    check(out.returncode == 0 and not out.stderr, f"{path}: ffmpeg cannot decode it: {out.stderr[:200]!r}")
    size = width * height * 3
    return [out.stdout[i:i + size] for i in range(0, len(out.stdout), size)]


def expect_stream(path, width, height):
    fields = probe(path)
    check(fields.get("codec_name") == "rawvideo" and fields.get("pix_fmt") == "bgr24",
          f"{path}: {fields.get('codec_name')} {fields.get('pix_fmt')}, not rawvideo bgr24")
    check(fields.get("width") == str(width) and fields.get("height") == str(height),
          f"{path}: {fields.get('width')} x {fields.get('height')}, not {width} x {height}")
    return int(fields.get("nb_read_frames", "0"))


def inside_blocks(frame, width, block, margin):
    """The pixels (3 bytes each) at least margin pixels inside their block of the scene."""
    keep = [x for x in range(width) if margin <= x % block < block - margin]
    rows = [frame[y * width * 3:(y + 1) * width * 3] for y in range(len(frame) // (width * 3))]
    return b"".join(bytes(b for x in keep for b in row[x * 3:x * 3 + 3])
                    for y, row in enumerate(rows) if margin <= y % block < block - margin)


def expect_frames(path, width, height, expected, what, block_margin=None):
    """Every frame equals the expected image; with a block margin, only inside the scene's
    blocks (the 8 and 16-bit modes' isolated-dot suppressions differ beside edges)."""
    count = expect_stream(path, width, height)
    frames = frames_of(path, width, height)
    check(count >= 1 and len(frames) == count, f"{path}: {count} frames announced, {len(frames)} decoded")
    if block_margin is not None:
        expected = inside_blocks(expected, width, BLOCK, block_margin)
    for n, frame in enumerate(frames):
        if block_margin is not None:
            frame = inside_blocks(frame, width, BLOCK, block_margin)
        if not check(frame == expected, f"{path} ({what}): frame {n} differs from the delivered image"):
            break
    return count


def header_frames(path):
    with open(path, "rb") as f:
        f.seek(48)
        return int.from_bytes(f.read(4), "little")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--padding-writer", required=True)
    parser.add_argument("--emulator")
    args = parser.parse_args()
    width, height = 640, 480
    with tempfile.TemporaryDirectory(prefix="ovilux-avi-") as folder:
        scene = os.path.join(folder, "scene.bmp")
        # Blocks of distinct colours: a frame shifted, sheared or upside down cannot match.
        picture = Image.new("RGB", (width, height))  # the sensor sees black beyond it
        b = BLOCK
        picture.putdata([((x // b * 37 + y // b * 11) % 200 + 20, (x // b * 13 + y // b * 53) % 200 + 30,
                          (x // b * 71 + y // b * 29) % 200 + 25) for y in range(height) for x in range(width)])
        picture.save(scene)
        # A settings store of its own: what the user's store holds (a gamma, say) is no concern here.
        env = dict(os.environ, OVILUX_SIM_SPEED="fast", OVILUX_SIM_SCENE=native(scene, args.emulator),
                   OVILUX_REGISTRY=os.path.join(folder, "registry.sqlite3"))
        tool = [args.tool, "--simulate"]
        window = ["--window", f"{width}x{height}"]

        def delivered(bits):
            # PNG keeps 16-bit samples stretched (s << 4 | s >> 8): their high byte is s >> 4.
            shot = os.path.join(folder, f"shot{bits}.png")
            out = run(tool + ["snap", "-o", native(shot, args.emulator), "--bits", str(bits)] + window,
                      args.emulator, env=env)
            check(out.returncode == 0, f"snap {bits} bits failed: {out.stdout}{out.stderr}")
            return Image.open(shot).convert("RGB").tobytes("raw", "BGR")

        def record(name, extra, limit_bytes=None):
            path = os.path.join(folder, name)
            out = run(tool + ["record", "-o", native(path, args.emulator)] + window + extra,
                      args.emulator, limit_bytes, env)
            return path, out

        colour, gray = delivered(24), delivered(8)
        # 16-bit samples recorded as bits 11 to 4 are the 8-bit mode's gray levels; a length of
        # 0 s ends with the first frame of a later millisecond: two frames.
        path, out = record("gray16.avi", ["--bits", "16", "--seconds", "0"])
        if check(out.returncode == 0, f"record 16 bits failed: {out.stdout}{out.stderr}"):
            count = expect_frames(path, width, height, gray, "16 bits", block_margin=4)
            check(count == 2, f"16 bits: {count} frames recorded in 0 s, not 2")

        path, out = record("split.avi", ["--seconds", "1", "--file-limit", str(4 * (width * height * 3 + 24) + 4096)])
        parts = [os.path.join(folder, n) for n in sorted(os.listdir(folder)) if n.startswith("split")]
        check(out.returncode == 0 and len(parts) >= 2, f"split recording: {len(parts)} files, {out.stdout}{out.stderr}")
        total = sum(expect_frames(p, width, height, colour, "split") for p in parts)
        check(f"frames recorded: {total}" in out.stdout, f"split: the summary does not count {total} frames")
        for p in parts:
            check(os.path.basename(p) in out.stdout, f"split: the summary does not name {p}")

        limit_bytes = 5 * (width * height * 3 + 8) + 232 + 1000
        path, out = record("full.avi", ["--seconds", "5"], limit_bytes)
        check(out.returncode == 1 and "code 12" in out.stderr, f"a full disk is not reported: {out.stdout}{out.stderr}")
        if check(os.path.exists(path), "a full disk left no file"):
            count = expect_frames(path, width, height, colour, "full disk")
            check(count == header_frames(path) and count >= 1, f"full disk: {count} frames play")

        path = os.path.join(folder, "padded.avi")
        out = run([args.padding_writer, native(path, args.emulator)], args.emulator)
        if check(out.returncode == 0, f"the padding writer failed: {out.stderr}"):
            w, h = 5, 3
            expected = bytes((x * 40 + y * 7 + c * 3) % 256 for y in range(h) for x in range(w)
                             for c in range(3))
            # ffmpeg shows rows top first: the picture as drawn, whatever the file's order.
            frames = frames_of(path, w, h)
            check(expect_stream(path, w, h) == 2 and len(frames) == 2, "padded: not two frames")
            check(all(f == expected for f in frames), "padded: rows that need padding decode sheared")
    for message in failures:
        print("FAIL:", message)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
