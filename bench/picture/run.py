#!/usr/bin/python3
"""Times the program's own-picture load against djpeg and ImageMagick.

Makes three photo-like files (a 48-megapixel and a 12-megapixel JPEG at
quality 90, a 12-megapixel 24-bit BMP) and runs, side by side on each, in rounds:

  - the program's load-and-fit (mirel_bench_picture_load: the loader the game
    uses, to the fitted 300 x 300 picture);
  - djpeg -scale 1/8 (JPEG only): the floor for any JPEG decoder;
  - convert FILE -resize 300x300! out.bmp: a general tool doing the same squeeze.

Every figure is the median of the rounds, after one warm-up round. Times are
whole processes, start to exit; the loader's own time and its memory growth
(peak RSS minus RSS before the load) are shown beside them.

Targets for the 48-megapixel JPEG: at most 1.5x the djpeg time, at least 5x
faster than convert, memory growth at most 64 MB. Exit status 1 if one is missed.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run(argv):
    """Wall time (ms), peak RSS (MB) and stdout of one process."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = proc.stdout.read().decode()
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = (time.perf_counter() - start) * 1000
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit(f"failed ({code}): {' '.join(argv)}\n{out}")
    return elapsed, usage.ru_maxrss / 1024, out


def make_files(driver, folder):
    files = []
    for name, size in [("photo48.jpg", "8000x6000"), ("photo12.jpg", "4000x3000"), ("scan12.bmp", "4000x3000")]:
        path = os.path.join(folder, name)
        print(f"making {name} ({size})...", flush=True)
        subprocess.run([driver, "--make", size, path], check=True)
        files.append(path)
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--driver", required=True, help="path to mirel_bench_picture_load")
    parser.add_argument("--rounds", type=int, default=7)
    args = parser.parse_args()
    for tool in ("convert", "djpeg"):
        if not shutil.which(tool):
            sys.exit(f"{tool} is needed (packages imagemagick, libjpeg-turbo-progs)")

    failed = False
    with tempfile.TemporaryDirectory(prefix="mirel-bench-picture-") as folder:
        out_bmp = os.path.join(folder, "out.bmp")
        for path in make_files(args.driver, folder):
            tools = {"mirel load-and-fit": [args.driver, path]}
            if path.endswith(".jpg"):
                tools["djpeg -scale 1/8"] = ["djpeg", "-scale", "1/8", "-bmp", "-outfile", os.devnull, path]
            tools["convert -resize 300x300!"] = ["convert", path, "-resize", "300x300!", out_bmp]

            times = {name: [] for name in tools}
            rss = {name: [] for name in tools}
            load_ms, growth_mb = [], []
            for round_no in range(args.rounds + 1):
                for name, argv in tools.items():
                    elapsed, peak, out = run(argv)
                    if round_no == 0:
                        continue  # warm-up: page cache, plugin caches
                    times[name].append(elapsed)
                    rss[name].append(peak)
                    m = re.search(r"load_ms=([\d.]+) growth_kb=(\d+)", out)
                    if m:
                        load_ms.append(float(m.group(1)))
                        growth_mb.append(int(m.group(2)) / 1024)

            size_mb = os.path.getsize(path) / 1e6
            print(f"\n{os.path.basename(path)} ({size_mb:.1f} MB), median of {args.rounds}")
            print(f"  {'':28} {'time ms':>9} {'peak RSS MB':>12}")
            med = {name: statistics.median(v) for name, v in times.items()}
            for name in tools:
                print(f"  {name:28} {med[name]:9.0f} {statistics.median(rss[name]):12.1f}")
            print(f"  {'  (loader alone)':28} {statistics.median(load_ms):9.0f} "
                  f"{'growth ' + format(statistics.median(growth_mb), '.1f'):>12}")

            if os.path.basename(path) == "photo48.jpg":
                ours, floor, general = med["mirel load-and-fit"], med["djpeg -scale 1/8"], \
                    med["convert -resize 300x300!"]
                growth = max(growth_mb)
                checks = [(f"time {ours / floor:.2f}x djpeg -scale 1/8 (at most 1.5x)", ours <= 1.5 * floor),
                          (f"{general / ours:.1f}x faster than convert (at least 5x)", general >= 5 * ours),
                          (f"memory growth {growth:.1f} MB, largest of the rounds (at most 64 MB)", growth <= 64)]
                for text, ok in checks:
                    print(f"  {'PASS' if ok else 'FAIL'}  {text}")
                    failed |= not ok
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
