#!/usr/bin/python3
"""Times the program's own-picture load on small files crafted to cost much.

Makes the files that once froze the game or took hundreds of megabytes:

  - a PNG with 2,000 zTXt chunks before its pixels, each inflating to 4 MB;
  - interlaced PNGs far larger than the box: 1-bit 11000 x 11000 and
    65535 x 1500 (too short to sample down, long enough across), and 16-bit
    RGBA 5000 x 5000, a few kilobytes each;
  - progressive JPEGs of 12000 x 12000 (the usual scans, and 66 scans) and
    14000 x 14000, 196 megapixels;

and loads each with the loader the game uses (mirel_bench_picture_load), and
the JPEGs also with djpeg -scale 1/8, the floor for any JPEG decoder. Figures
are medians of the rounds: whole-process time and peak RSS (which counts the
Python process the tool was started from, some 40 MB), and the loader's own
memory growth. Fault 6 is "too large", refused before decoding.

Targets: the text chunks load in under 1 s; the 1-bit interlaced PNGs with
under 64 MB growth, the square one in under 0.5 s; every progressive JPEG loads, read from its DC
scans alone, with under 16 MB growth. Exit status 1 if one is missed.

  --seeds FOLDER writes small versions of the same files for the fuzzer instead.
"""

import argparse
import os
import re
import statistics
import struct
import subprocess
import sys
import tempfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from run import run  # noqa: E402  (one way to time a process)

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, depth, colour, rows, interlaced=False, before_pixels=b""):
    """A PNG whose pass rows (or rows) come from rows(pass_width), filter byte included."""
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 1 if interlaced else 0)
    z = zlib.compressobj(9)
    idat = []
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        w, h = (width - x0 + dx - 1) // dx, (height - y0 + dy - 1) // dy
        if w <= 0 or h <= 0:
            continue
        row = rows(w)
        for _ in range(h):
            idat.append(z.compress(row))
    idat.append(z.flush())
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + before_pixels +
            chunk(b"IDAT", b"".join(idat)) + chunk(b"IEND", b""))


def text_chunks(count, inflated):
    one = chunk(b"zTXt", b"comment\0\0" + zlib.compress(b" " * inflated, 9))
    return one * count


def many_text_png(count, inflated):
    grey = lambda w: b"\0" + bytes(range(w))  # noqa: E731
    return png(64, 64, 8, 0, grey, before_pixels=text_chunks(count, inflated))


def one_bit_png(width, height=None):
    return png(width, height or width, 1, 0, lambda w: b"\0" + b"\x55" * ((w + 7) // 8), interlaced=True)


def rgba16_png(side):
    return png(side, side, 16, 6, lambda w: b"\0" + b"\x40\x00\x80\x00\xc0\x00\xff\xff" * w, interlaced=True)


def progressive_jpeg(path, side, scans=None):
    """A gentle colour gradient through cjpeg; `scans` is a jpegtran scan script."""
    ppm = path + ".ppm"
    with open(ppm, "wb") as f:
        f.write(b"P6 %d %d 255\n" % (side, side))
        for y in range(side):
            f.write(_gradient_row(side, y))
    base = path + ".base.jpg"
    subprocess.run(["cjpeg", "-quality", "75", "-outfile", base, ppm], check=True)
    os.remove(ppm)
    if scans:
        script = path + ".scans"
        with open(script, "w") as f:
            f.write(scans)
        subprocess.run(["jpegtran", "-scans", script, "-outfile", path, base], check=True)
        os.remove(script)
    else:
        subprocess.run(["jpegtran", "-progressive", "-outfile", path, base], check=True)
    os.remove(base)


def _gradient_row(side, y):
    # Steps of 64 pixels keep the file small; a fresh row every 64 rows.
    row = b"".join(bytes((x * 255 // side, (y // 64 * 64) * 255 // side, 128)) * 64 for x in range(0, side, 64))
    return row[:side * 3]


# One DC scan, the luma's AC one coefficient at a time, then each chroma's AC: 66 scans.
SIXTY_SIX_SCANS = "0,1,2: 0-0, 0, 0;\n" + "".join(f"0: {k}-{k}, 0, 0;\n" for k in range(1, 64)) + \
                  "1: 1-63, 0, 0;\n2: 1-63, 0, 0;\n"


def write_file(folder, name, data):
    """Writes a crafted file into the folder; its path."""
    path = os.path.join(folder, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


def make(folder, seeds=False):
    def path(name):
        return os.path.join(folder, name)

    def write(name, data):
        return write_file(folder, name, data)

    if seeds:  # each well under 100 KB
        write("many-ztxt.png", many_text_png(40, 1 << 20))
        write("interlaced-1bit-huge.png", one_bit_png(11000))
        write("interlaced-rgba16-big.png", rgba16_png(2500))
        progressive_jpeg(path("scans66.jpg"), 64, SIXTY_SIX_SCANS)
        return []
    print("making the crafted files...", flush=True)
    files = [write("ztxt2000.png", many_text_png(2000, 4 << 20)),
             write("interlaced-1bit-11000.png", one_bit_png(11000)),
             write("interlaced-1bit-65535x1500.png", one_bit_png(65535, 1500)),
             write("interlaced-rgba16-5000.png", rgba16_png(5000))]
    progressive_jpeg(path("progressive-12000.jpg"), 12000)
    progressive_jpeg(path("scans66-12000.jpg"), 12000, SIXTY_SIX_SCANS)
    progressive_jpeg(path("progressive-14000.jpg"), 14000)
    return files + [path("progressive-12000.jpg"), path("scans66-12000.jpg"), path("progressive-14000.jpg")]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--driver", help="path to mirel_bench_picture_load")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seeds", help="write small versions to this folder and stop")
    args = parser.parse_args()
    if args.seeds:
        make(args.seeds, seeds=True)
        return 0
    if not args.driver:
        parser.error("--driver is needed")

    failed = False
    with tempfile.TemporaryDirectory(prefix="mirel-bench-crafted-") as folder:
        files = make(folder)
        print("| file | size KB | mirel ms | mirel peak MB | loader growth MB | fault | djpeg -scale 1/8 ms "
              "| djpeg peak MB |")
        print("|---|---|---|---|---|---|---|---|")
        for path in files:
            name = os.path.basename(path)
            tools = {"mirel": [args.driver, path]}
            if name.endswith(".jpg"):
                tools["djpeg"] = ["djpeg", "-scale", "1/8", "-bmp", "-outfile", os.devnull, path]
            times = {t: [] for t in tools}
            peaks = {t: [] for t in tools}
            growth, fault = [], "?"
            for _ in range(args.rounds):
                for tool, argv in tools.items():
                    elapsed, peak, out = run(argv, allow_failure=tool == "mirel")
                    times[tool].append(elapsed)
                    peaks[tool].append(peak)
                    m = re.search(r"growth_kb=(\d+) fault=(\d+)", out)
                    if m:
                        growth.append(int(m.group(1)) / 1024)
                        fault = m.group(2)
            med = {t: statistics.median(v) for t, v in times.items()}
            peak = {t: statistics.median(v) for t, v in peaks.items()}
            dj = f"{med['djpeg']:.0f} | {peak['djpeg']:.0f}" if "djpeg" in tools else "- | -"
            print(f"| {name} | {os.path.getsize(path) / 1024:.1f} | {med['mirel']:.0f} | {peak['mirel']:.0f} | "
                  f"{max(growth):.1f} | {fault} | {dj} |", flush=True)
            if name.startswith("ztxt"):
                failed |= med["mirel"] > 1000
            if name.startswith("interlaced-1bit"):
                # The strip's every row must be decoded: its time is the decoder's.
                failed |= max(growth) > 64 or (name == "interlaced-1bit-11000.png" and med["mirel"] > 500)
            if name.endswith(".jpg"):
                failed |= fault != "0" or max(growth) > 16
    print("targets:", "FAIL" if failed else "PASS")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
