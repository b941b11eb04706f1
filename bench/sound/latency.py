#!/usr/bin/python3
"""Press to first audible sample, for the real program and for the floor: a
minimal Qt program that plays the same WAV from a sound effect loaded
beforehand. Both play into a private sound server with a null sink whose
monitor is recorded; a second client keeps the sink playing silence, so the
recording runs from before the first press.

A press is a real button press sent through the X server (XTEST), timed when
the server has it. The recording's clock is tied to the monotonic clock by its
earliest-delivered piece, so a sound's onset is placed no earlier than it was
heard. Each program gets 31 presses, 0.6 s apart: the first of a run on its
own, then the median of the other 30, and the presses that stayed silent.

Targets for the program: median at most 45 ms, the first press at most 60 ms,
no silent press. The output's period sets most of it: a shorter one ran dry
on a busy machine.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

import numpy
from Xlib import X
from Xlib.ext import xtest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "smoke"))

import play  # noqa: E402
from sound_smoke import RATE, SoundServer  # noqa: E402
from xsession import Player, ProgramFolder, XServer, stop, wait_until  # noqa: E402

PRESSES = 31
APART = 0.6
LOUD = 1000  # a sample this far from zero is heard


def press(server, x, y):
    """A button press and release at a screen point; the time the press reached the server."""
    conn = server.conn
    xtest.fake_input(conn, X.MotionNotify, x=x, y=y)
    conn.sync()
    xtest.fake_input(conn, X.ButtonPress, 1)
    conn.sync()
    at = time.monotonic()
    xtest.fake_input(conn, X.ButtonRelease, 1)
    conn.sync()
    return at


def latencies(sound, presses):
    """Seconds from each press to the first loud sample after it, or None."""
    heard = sound.heard()
    start = min(arrived - count / RATE for arrived, count in sound.arrivals)
    out = []
    for at in presses:
        first = int((at - start) * RATE)
        window = numpy.abs(heard[max(first, 0):first + int(0.5 * RATE)])
        loud = numpy.nonzero(window > LOUD)[0]
        out.append(loud[0] / RATE if len(loud) else None)
    return out


def measure(command, title, server, targets, prepare=None):
    """Runs command on the server and presses where targets() says; the latencies."""
    with SoundServer(latency_ms=5) as sound:
        keep = subprocess.Popen(["pacat", "--server=" + sound.address, "--playback", "--raw",
                                 "--format=s16le", "--rate=8000", "--channels=1", "/dev/zero"])
        wait_until("the recording to start", lambda: len(sound.samples) >= RATE // 5)
        errors = open(os.devnull, "wb")
        proc = subprocess.Popen(command, env=server.env(), stdout=subprocess.DEVNULL, stderr=errors)
        proc.errors = open(os.devnull, "rb")
        try:
            window = server.wait_for_window(title=title, proc=proc)
            points = prepare(server, window) if prepare else None
            x0, y0, _, _ = server.client_rect(window)
            times = []
            for n in range(PRESSES):
                x, y = targets(n, points)
                times.append(press(server, x0 + x, y0 + y))
                time.sleep(APART)
            time.sleep(0.5)
            return latencies(sound, times)
        finally:
            stop(proc)
            keep.kill()
            keep.wait()


def prepare_board(pictures):
    """Opens a 3 x 3 game and picks a tile next to the gap: pressing it and then
    the gap's cell slides it back and forth."""
    def prepare(server, window):
        player = Player(server, window)
        player.click(*play.PLAY_BUILT_IN)
        time.sleep(0.3)
        player.click(*play.LEVEL_1)

        def board_shown():
            try:
                return pictures.identify(player.screen_rgb())
            except Exception:
                return None
        _, board = player.wait_until("a 3 x 3 board", board_shown)
        gap = board.index(play.GAP)
        gx, gy = gap % play.SIDE, gap // play.SIDE
        tile = next(y * play.SIDE + x for x, y in ((gx - 1, gy), (gx + 1, gy), (gx, gy - 1), (gx, gy + 1))
                    if 0 <= x < play.SIDE and 0 <= y < play.SIDE)
        centre = lambda cell: tuple(c + play.CELL // 2 for c in play.cell_origin(cell))  # noqa: E731
        time.sleep(1.0)  # the sound stream opens in the background after the window shows
        return centre(tile), centre(gap)
    return prepare


def report(name, values):
    first, rest = values[0], values[1:]
    heard = [v for v in rest if v is not None]
    silent = len(rest) - len(heard)
    ms = lambda v: "silent" if v is None else "%.1f ms" % (v * 1000)  # noqa: E731
    median = ms(statistics.median(heard)) if heard else "-"
    print("%-8s first press %-10s median of %d: %-9s silent: %d of %d  (all: %s)"
          % (name, ms(first), len(rest), median, silent, len(rest),
             " ".join("-" if v is None else "%.0f" % (v * 1000) for v in values)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--floor", required=True)
    parser.add_argument("--pictures", required=True)
    args = parser.parse_args()
    pictures = play.Pictures(args.pictures)
    wave = os.path.join(os.path.dirname(os.path.abspath(args.program)), "Sound1.wav")

    with XServer() as server, ProgramFolder(args.program) as folder:
        program = measure([folder.executable], "ミレル", server, lambda n, points: points[n % 2], prepare_board(pictures))
        report("mirel", program)
        floor = measure([args.floor, wave], "floor", server, lambda n, points: (200, 200))
    report("floor", floor)
    return 0


if __name__ == "__main__":
    sys.exit(main())
