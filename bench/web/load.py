#!/usr/bin/python3
"""The web page in headless Chromium, against a minimal page served the same
way: a 400 x 400 canvas filled by a script as soon as it runs.

- Load to first paint: from the navigation's start to the title screen's
  first paint (the picture of it the page shows until the game paints; the
  browser's Element Timing), and to the game's own first drawing of it; for
  the minimal page, its first contentful paint. Each load with the browser's
  cache off, the two pages in turn, the medians of 30 loads each; the ratio
  of the first paints.
- Size: the script and the module, each compressed as a server would send it
  (gzip -9).
- Press to pixels and press to sound: a tile pressed 30 times on a 3 x 3
  board, from the press event's time to the board drawn anew, and to the move
  sound's start, plus the latency the audio context reports for its output.

Targets: first paint at most 1.5 times the minimal page's; script and module
at most 1 MB compressed; press to pixels within one frame (16.7 ms).

    bench/web/load.py --page build-web/web --pictures assets/pictures"""

import argparse
import gzip
import os
import statistics
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "web"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "smoke"))

from browser import Browser, Server  # noqa: E402
from play import CELL, GAP, LEVEL_1, PLAY_BUILT_IN, SIDE, Pictures, cell_origin  # noqa: E402
from web_smoke import Page  # noqa: E402
from xsession import wait_until  # noqa: E402

RUNS = 30
PRESSES = 30
MINIMAL = """<!DOCTYPE html>
<html lang="ja"><head><meta charset="utf-8"><title>minimal</title></head>
<body><canvas id="board" width="400" height="400"></canvas>
<script>
const context = document.getElementById("board").getContext("2d");
context.fillStyle = "#808080";
context.fillRect(0, 0, 400, 400);
</script></body></html>
"""


TITLE_PAINTED = """new Promise((resolve) => new PerformanceObserver((list) => {
  for (const e of list.getEntries()) if (e.identifier === "title") resolve(e.renderTime || e.loadTime);
}).observe({ type: "element", buffered: true }))"""
FIRST_CONTENTFUL = """new Promise((resolve) => new PerformanceObserver((list) => {
  for (const e of list.getEntries()) if (e.name === "first-contentful-paint") resolve(e.startTime);
}).observe({ type: "paint", buffered: true }))"""


def first_paints(browser, game_url, minimal_url):
    """The first paints' times of the two pages, loaded in turn so that a
    machine's drift weighs on both alike, and the game's first drawings."""
    game, minimal, drawn = [], [], []
    browser.send("Network.enable", session=True)
    browser.send("Network.setCacheDisabled", session=True, cacheDisabled=True)

    def load(url, painted):
        browser.go("about:blank")
        browser.go(url)
        wait_until("the page", lambda: browser.evaluate("document.readyState === 'complete'"))
        return browser.evaluate(painted, wait=True)
    for _ in range(RUNS):
        game.append(load(game_url, TITLE_PAINTED))
        drawn.append(wait_until("the game's drawing", lambda: browser.evaluate("mirel.timing.firstPaint")))
        minimal.append(load(minimal_url, FIRST_CONTENTFUL))
    return game, minimal, drawn


def presses(browser, url, pictures):
    """Press to pixels and press to sound, in ms, for a tile slid back and forth."""
    browser.go(url)
    wait_until("the page to start", lambda: browser.evaluate("!!(window.mirel && mirel.isStarted())"))
    page = Page(browser)
    page.click(*PLAY_BUILT_IN)
    wait_until("the levels", page.idle)
    page.click(*LEVEL_1)
    _, board = wait_until("a board", lambda: page.idle() and pictures.identify(page.rgb()))
    gap = board.index(GAP)
    gx, gy = gap % SIDE, gap // SIDE
    tile = next(y * SIDE + x for x, y in ((gx - 1, gy), (gx + 1, gy), (gx, gy - 1), (gx, gy + 1))
                if 0 <= x < SIDE and 0 <= y < SIDE)
    pixels, sounds = [], []
    for n in range(PRESSES):
        cell = (tile, gap)[n % 2]
        x, y = cell_origin(cell)
        page.click(x + CELL // 2, y + CELL // 2)
        wait_until("the move", page.idle)
        timing = browser.evaluate("mirel.timing")
        pixels.append(timing["painted"] - timing["pressed"])
        sounds.append(timing["sounded"] - timing["pressed"])
    latency = browser.evaluate("(() => { const c = mirel.page.audio.context;"
                               " return c ? [c.state, c.baseLatency || 0, c.outputLatency || 0] : null; })()")
    return pixels, sounds, latency


def compressed(path):
    return len(gzip.compress(open(path, "rb").read(), 9))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--pictures", required=True)
    args = parser.parse_args()
    minimal = tempfile.mkdtemp(prefix="mirel-minimal-")
    with open(os.path.join(minimal, "index.html"), "w") as out:
        out.write(MINIMAL)
    servers = [Server(args.page), Server(minimal)]
    browser = Browser(width=480, height=600)
    try:
        game, floor, drawn = first_paints(browser, servers[0].url + "index.html", servers[1].url + "index.html")
        browser.send("Network.setCacheDisabled", session=True, cacheDisabled=False)
        pixels, sounds, latency = presses(browser, servers[0].url + "index.html", Pictures(args.pictures))
    finally:
        browser.close()
        for server in servers:
            server.close()
    ratio = statistics.median(game) / statistics.median(floor)
    size = compressed(os.path.join(args.page, "mirel.js")) + compressed(os.path.join(args.page, "mirel.wasm"))
    print("load to first paint: mirel median %.1f ms (%.1f to %.1f), minimal page %.1f ms: %.2fx;"
          " the game's own first drawing: median %.1f ms"
          % (statistics.median(game), min(game), max(game), statistics.median(floor), ratio,
             statistics.median(drawn)))
    print("script and module, gzip -9: %d bytes (%.2f MB)" % (size, size / 1e6))
    print("press to pixels: median %.2f ms, most %.2f ms; press to the sound's start: median %.2f ms,"
          " most %.2f ms; the audio context (%s) adds %.1f ms base and %.1f ms output latency"
          % (statistics.median(pixels), max(pixels), statistics.median(sounds), max(sounds),
             latency[0], latency[1] * 1000, latency[2] * 1000))
    failed = ratio > 1.5 or size > 1_000_000 or max(pixels) > 1000 / 60
    print("targets:", "FAIL" if failed else "PASS")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
