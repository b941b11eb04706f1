#!/usr/bin/python3
"""Times the program's own-picture load against vipsthumbnail and djpeg.

Makes photo-like files: 48-megapixel PNG, WebP (cwebp -q 90), baseline and
progressive JPEG (quality 90; jpegtran -progressive), a 12-megapixel HEIC
(heif-enc -q 80) and a 12-megapixel 24-bit BMP, and runs, side by side on each,
in rounds:

  - the program's load-and-fit (mirel_bench_picture_load: the loader the game
    uses, to the fitted 300 x 300 picture);
  - vipsthumbnail FILE -s 300x300!: the best general thumbnailer, same squeeze;
  - djpeg -scale 1/8 (JPEG only): the floor for any JPEG decoder.

Every figure is the median of the rounds, after one warm-up round. Times are
whole processes, start to exit; the loader's own time and its memory growth
(peak RSS minus RSS before the load) are shown beside them.

Targets: PNG and WebP at most 1.0x vipsthumbnail's time with at most 32 MB
growth; progressive JPEG (read from its DC scans alone) at most 0.2x djpeg's
time with at most 16 MB growth; baseline JPEG at most 1.1x djpeg's time. HEIC and BMP are reported only.
Exit status 1 if a target is missed.
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


def run(argv, allow_failure=False):
    """Wall time (ms), peak RSS (MB) and stdout of one process."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = proc.stdout.read().decode()
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = (time.perf_counter() - start) * 1000
    code = os.waitstatus_to_exitcode(status)
    if code != 0 and not allow_failure:
        sys.exit(f"failed ({code}): {' '.join(argv)}\n{out}")
    return elapsed, usage.ru_maxrss / 1024, out


def make_files(driver, folder):
    def path(name):
        return os.path.join(folder, name)

    def step(text, argv):
        print(text, flush=True)
        subprocess.run(argv, check=True, stdout=subprocess.DEVNULL)

    step("making the 48-megapixel pictures...", [driver, "--make", "8000x6000", path("photo48.png")])
    step("  JPEG", [driver, "--make", "8000x6000", path("photo48.jpg")])
    step("  progressive JPEG", ["jpegtran", "-progressive", "-outfile", path("photo48-progressive.jpg"),
                                path("photo48.jpg")])
    step("  WebP", ["cwebp", "-quiet", "-q", "90", path("photo48.png"), "-o", path("photo48.webp")])
    step("making the 12-megapixel pictures...", [driver, "--make", "4000x3000", path("photo12.png")])
    step("  HEIC", ["heif-enc", "-q", "80", path("photo12.png"), "-o", path("photo12.heic")])
    step("  BMP", [driver, "--make", "4000x3000", path("scan12.bmp")])
    return [path(n) for n in ("photo48.png", "photo48.webp", "photo48-progressive.jpg", "photo48.jpg",
                              "photo12.heic", "scan12.bmp")]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--driver", required=True, help="path to mirel_bench_picture_load")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--only", default="", help="time only the files whose name contains this")
    args = parser.parse_args()
    for tool, package in (("vipsthumbnail", "libvips-tools"), ("djpeg", "libjpeg-turbo-progs"),
                          ("jpegtran", "libjpeg-turbo-progs"), ("cwebp", "webp"), ("heif-enc", "libheif-examples")):
        if not shutil.which(tool):
            sys.exit(f"{tool} is needed (package {package})")

    failed = False
    table = []
    with tempfile.TemporaryDirectory(prefix="mirel-bench-picture-") as folder:
        thumb = os.path.join(folder, "thumb.v")
        for path in make_files(args.driver, folder):
            name = os.path.basename(path)
            if args.only not in name:
                continue
            jpeg = name.endswith(".jpg")
            tools = {"mirel load-and-fit": [args.driver, path],
                     "vipsthumbnail -s 300x300!": ["vipsthumbnail", path, "-s", "300x300!", "-o", thumb]}
            if jpeg:
                tools["djpeg -scale 1/8"] = ["djpeg", "-scale", "1/8", "-bmp", "-outfile", os.devnull, path]

            times = {t: [] for t in tools}
            rss = {t: [] for t in tools}
            load_ms, growth_mb = [], []
            for round_no in range(args.rounds + 1):
                for tool, argv in tools.items():
                    elapsed, peak, out = run(argv)
                    if round_no == 0:
                        continue  # warm-up: page cache
                    times[tool].append(elapsed)
                    rss[tool].append(peak)
                    m = re.search(r"load_ms=([\d.]+) growth_kb=(\d+)", out)
                    if m:
                        load_ms.append(float(m.group(1)))
                        growth_mb.append(int(m.group(2)) / 1024)

            print(f"\n{name} ({os.path.getsize(path) / 1e6:.1f} MB), median of {args.rounds}")
            print(f"  {'':28} {'time ms':>9} {'peak RSS MB':>12}")
            med = {t: statistics.median(v) for t, v in times.items()}
            peak = {t: statistics.median(v) for t, v in rss.items()}
            for tool in tools:
                print(f"  {tool:28} {med[tool]:9.0f} {peak[tool]:12.1f}")
            growth = max(growth_mb)
            print(f"  {'  (loader alone)':28} {statistics.median(load_ms):9.0f} "
                  f"{'growth ' + format(growth, '.1f'):>12}")

            ours = med["mirel load-and-fit"]
            vips = med["vipsthumbnail -s 300x300!"]
            checks = []
            if name.endswith((".png", ".webp")):
                checks = [(f"time {ours / vips:.2f}x vipsthumbnail (at most 1.0x)", ours <= vips),
                          (f"memory growth {growth:.1f} MB (at most 32 MB)", growth <= 32)]
            elif name == "photo48-progressive.jpg":
                floor = med["djpeg -scale 1/8"]
                checks = [(f"time {ours / floor:.2f}x djpeg -scale 1/8 (at most 0.2x)", ours <= 0.2 * floor),
                          (f"memory growth {growth:.1f} MB (at most 16 MB)", growth <= 16)]
            elif name == "photo48.jpg":
                floor = med["djpeg -scale 1/8"]
                checks = [(f"time {ours / floor:.2f}x djpeg -scale 1/8 (at most 1.1x)", ours <= 1.1 * floor)]
            for text, ok in checks:
                print(f"  {'PASS' if ok else 'FAIL'}  {text}")
                failed |= not ok
            table.append((name, ours, growth, vips, peak["vipsthumbnail -s 300x300!"],
                          med.get("djpeg -scale 1/8"), peak.get("djpeg -scale 1/8")))

    print("\n| file | mirel ms | mirel growth MB | vipsthumbnail ms | vips peak MB | djpeg ms | djpeg peak MB |")
    print("|---|---|---|---|---|---|---|")
    for name, ours, growth, vips, vpeak, dj, djpeak in table:
        djs = f"{dj:.0f} | {djpeak:.1f}" if dj is not None else "- | -"
        print(f"| {name} | {ours:.0f} | {growth:.1f} | {vips:.0f} | {vpeak:.1f} | {djs} |")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
