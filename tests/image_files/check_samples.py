#!/usr/bin/env python3
"""Runs the sample writer (under Wine for the Windows build) in a fresh folder and reads every
file it wrote with decoders that share no code with the library's writers: Pillow, pngcheck,
tiffinfo, and plain byte checks of the BMP, raw and TIFF layouts. Exits non-zero on any fault."""
import argparse
import os
import re
import struct
import subprocess
import sys
import tempfile

from PIL import Image

WIDTH, HEIGHT = 41, 30
DEPTHS = (8, 16, 24, 32, 48, 64)
BMP, RAW, JPEG100, JPEG70, JPEG20, PNG, TIFF = range(7)
# Imports a Windows build may have: the system's own DLLs only.
SYSTEM_DLL = re.compile(r"^(kernel32|user32|gdi32|advapi32|msvcrt|winmm|shell32|ole32|ws2_32|setupapi|comctl32|"
                        r"api-ms-win-[a-z0-9-]+)\.dll$", re.I)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def sample12(x, y, c):
    """The picture of SampleWriter.cpp, 12-bit samples; the fourth channel is 0."""
    return 0 if c == 3 else x * 30 + y * 55 + c * 600 + ((x * 7 + y * 3) & 15)


def stretched(v):
    """A 12-bit sample over the full 16-bit range, as viewable files hold it."""
    return (v << 4) | (v >> 8)


def channels(depth):
    return {24: 3, 48: 3, 32: 4, 64: 4}.get(depth, 1)


def wide(depth):
    return depth in (16, 48, 64)


def stored(depth, x, y, c):
    """A sample as the image holds it: 12 bits in a 16-bit word, or bits 11 to 4 for 8-bit samples."""
    return sample12(x, y, c) if wide(depth) else sample12(x, y, c) >> 4


def memory_row(depth, y, padded=True):
    out = bytearray()
    for x in range(WIDTH):
        for c in range(channels(depth)):
            v = stored(depth, x, y, c)
            out += struct.pack("<H", v) if wide(depth) else bytes([v])
    if padded:
        out += b"\0" * (-len(out) % 4)
    return bytes(out)


def rgb_expected(depth, x, y):
    """What an 8-bit decoder should show: gray, or red, green, blue (bits 11 to 4 of wide samples)."""
    high = (lambda v: v >> 4) if wide(depth) else (lambda v: v)
    if channels(depth) == 1:
        return (high(stored(depth, x, y, 0)),)
    return tuple(high(stored(depth, x, y, c)) for c in (2, 1, 0))


def pixels_match(image, depth, tolerance, name, alpha=None):
    worst = 0
    for y in range(HEIGHT):
        for x in range(WIDTH):
            got = image.getpixel((x, y))
            got = got if isinstance(got, tuple) else (got,)
            want = rgb_expected(depth, x, y) + ((alpha,) if alpha is not None else ())
            worst = max(worst, max(abs(a - b) for a, b in zip(got, want)))
            if len(got) != len(want):
                return check(False, f"{name}: pixel {got} has not the channels of {want}")
    return check(worst <= tolerance, f"{name}: off by {worst} (allowed {tolerance})")


def check_bmp(path, depth, data):
    offset = 1078 if depth == 8 else 54
    stride = len(memory_row(depth, 0))
    kind, size, _, bits_at = struct.unpack_from("<2sIII", data, 0)
    header = struct.unpack_from("<IiiHHI", data, 14)
    check(kind == b"BM" and size == len(data) == offset + HEIGHT * stride and bits_at == offset,
          f"{path}: file header {kind} {size} {bits_at}")
    check(header == (40, WIDTH, HEIGHT, 1, depth, 0), f"{path}: information header {header}")
    rows = [data[offset + i * stride: offset + (i + 1) * stride] for i in range(HEIGHT)]
    check(rows == [memory_row(depth, HEIGHT - 1 - i) for i in range(HEIGHT)], f"{path}: rows not bottom-up as stored")
    if depth in (8, 24, 32):
        pixels_match(Image.open(path), depth, 0, path)


def check_jpeg(path, depth, quality_format):
    image = Image.open(path)
    check(image.format == "JPEG" and image.size == (WIDTH, HEIGHT), f"{path}: {image.format} {image.size}")
    check(image.mode == ("L" if channels(depth) == 1 else "RGB"), f"{path}: mode {image.mode}")
    check(image.info.get("progressive") == 1, f"{path}: not progressive")
    pixels_match(image, depth, {JPEG100: 4, JPEG70: 8, JPEG20: 16}[quality_format], path)


def check_png(path, depth):
    result = subprocess.run(["pngcheck", path], capture_output=True, text=True)
    check(result.returncode == 0 and "OK" in result.stdout, f"{path}: pngcheck: {result.stdout}{result.stderr}")
    image = Image.open(path)
    want_mode = {8: "L", 16: "I", 24: "RGB", 32: "RGBA", 48: "RGB", 64: "RGBA"}[depth]
    check(image.mode == want_mode and image.size == (WIDTH, HEIGHT), f"{path}: {image.mode} {image.size}")
    if wide(depth):
        sbit = open(path, "rb").read().find(b"sBIT")
        check(sbit > 0, f"{path}: no sBIT chunk")
    if depth == 16:
        worst = max(abs(image.getpixel((x, y)) - stretched(sample12(x, y, 0))) for y in range(HEIGHT) for x in range(WIDTH))
        check(worst == 0, f"{path}: 16-bit samples off by {worst}")
        exact = all(image.getpixel((x, y)) >> 4 == sample12(x, y, 0) for y in range(HEIGHT) for x in range(WIDTH))
        check(exact, f"{path}: the 12 bits do not come back")
    else:
        pixels_match(image, depth, 0, path, alpha=255 if channels(depth) == 4 else None)


def tiff_strip(data):
    """The single strip of a little-endian TIFF, read straight from its directory."""
    check(data[:4] == b"II*\0", "TIFF: not a little-endian TIFF")
    directory = struct.unpack_from("<I", data, 4)[0]
    entries = {}
    for i in range(struct.unpack_from("<H", data, directory)[0]):
        tag, kind, count, value = struct.unpack_from("<HHII", data, directory + 2 + 12 * i)
        entries[tag] = (kind, count, value if kind == 4 or count > 1 else value & 0xFFFF)
    offsets, counts = entries[273], entries[279]
    check(offsets[1] == 1 and counts[1] == 1, "TIFF: more than one strip")
    return data[offsets[2]: offsets[2] + counts[2]]


def check_tiff(path, depth, data):
    result = subprocess.run(["tiffinfo", path], capture_output=True, text=True)
    info = result.stdout
    samples = channels(depth)
    wanted = [f"Image Width: {WIDTH} Image Length: {HEIGHT}", f"Bits/Sample: {16 if wide(depth) else 8}",
              f"Samples/Pixel: {samples}", "Compression Scheme: None", "Planar Configuration: single image plane",
              "Photometric Interpretation: " + ("min-is-black" if samples == 1 else "RGB color"), f"Rows/Strip: {HEIGHT}"]
    if samples == 4:
        wanted.append("Extra Samples: 1<unspecified>")
    for line in wanted:
        check(line in info, f"{path}: tiffinfo lacks '{line}'")
    check(result.returncode == 0 and not result.stderr.strip(), f"{path}: tiffinfo complains: {result.stderr}")
    # Exact rows: red, green, blue order, the fourth sample 0 (8 bits) or 0xFFFF (16 bits), no padding.
    fill = 0xFFFF if depth == 64 else 0
    expected = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            order = (0,) if samples == 1 else (2, 1, 0)
            scale = stretched if wide(depth) else (lambda v: v)
            values = [scale(stored(depth, x, y, c)) for c in order] + ([fill] if samples == 4 else [])
            expected += b"".join(struct.pack("<H", v) for v in values) if wide(depth) else bytes(values)
    check(tiff_strip(data) == bytes(expected), f"{path}: strip differs from the exact rows")
    image = Image.open(path)
    if depth in (8, 24, 48):
        pixels_match(image, depth, 0, path)


def check_imports(objdump, binary):
    result = subprocess.run([objdump, "-p", binary], capture_output=True, text=True)
    names = re.findall(r"DLL Name: (\S+)", result.stdout)
    check(result.returncode == 0 and names, f"{binary}: objdump found no imports")
    foreign = [n for n in names if not SYSTEM_DLL.match(n)]
    check(not foreign, f"{binary}: imports DLLs that are not the system's: {foreign}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--writer", required=True)
    parser.add_argument("--emulator")
    parser.add_argument("--objdump")
    parser.add_argument("--dll")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="ovilux-samples-") as folder:
        command = ([args.emulator] if args.emulator else []) + [os.path.abspath(args.writer)]
        result = subprocess.run(command, cwd=folder, capture_output=True, text=True, timeout=240)
        if not check(result.returncode == 0, f"sample writer failed: {result.stdout}{result.stderr}"):
            return finish()
        for depth in DEPTHS:
            files = {f: os.path.join(folder, f"d{depth}_f{f}.img") for f in range(7)}
            data = {f: open(path, "rb").read() for f, path in files.items()}
            check_bmp(files[BMP], depth, data[BMP])
            check(data[RAW] == b"".join(memory_row(depth, y) for y in range(HEIGHT)), f"{files[RAW]}: not the memory")
            for quality in (JPEG100, JPEG70, JPEG20):
                check_jpeg(files[quality], depth, quality)
            check(len(data[JPEG100]) > len(data[JPEG70]) > len(data[JPEG20]), f"{depth} bits: JPEG sizes not falling")
            check_png(files[PNG], depth)
            check_tiff(files[TIFF], depth, data[TIFF])
    if args.objdump:
        check_imports(args.objdump, args.writer)
        check_imports(args.objdump, args.dll)
    return finish()


def finish():
    for failure in failures:
        print("FAIL:", failure)
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
