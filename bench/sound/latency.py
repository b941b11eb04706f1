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
The program then rests: its processor time over 10 s of silence, and one more
press after a minute's rest. With --stress N, N busy processes run beside it
(stress-ng --cpu N) and it gets 100 presses.

The recording is the sink's monitor: it hears what the sink renders, up to
the sink's latency before a speaker would, so that latency (the least asked
for by the streams that play) is printed too, read while the program plays.

Targets for the program: median at most 10 ms, the first press and the one
after the rest at most 25 ms, no silent press, no processor time at rest.
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


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def sink_latency(sound):
    """The null sink's configured latency, in ms."""
    for line in sound.pactl("list", "sinks").decode().splitlines():
        if "configured" in line:
            return int(line.split("configured")[1].split()[0]) / 1000
    return None


def measure(command, title, server, targets, prepare=None, presses=PRESSES, rest=None):
    """Runs command on the server and presses where targets() says; the
    latencies, and with rest, the processor time over 10 s of silence then a
    press after a minute's rest (its latency is the list's last)."""
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
            for n in range(presses):
                x, y = targets(n, points)
                times.append(press(server, x0 + x, y0 + y))
                if n == 0 and rest is not None:
                    time.sleep(0.1)
                    rest["sink"] = sink_latency(sound)
                time.sleep(APART)
            if rest is not None:
                time.sleep(3.0)
                before = cpu_seconds(proc.pid)
                time.sleep(10.0)
                rest["cpu_percent"] = (cpu_seconds(proc.pid) - before) / 10.0 * 100
                time.sleep(60.0 - 13.0)
                x, y = targets(presses, points)
                times.append(press(server, x0 + x, y0 + y))
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
    parser.add_argument("--stress", type=int, default=0, help="busy processes beside it (stress-ng --cpu N)")
    args = parser.parse_args()
    pictures = play.Pictures(args.pictures)
    wave = os.path.join(os.path.dirname(os.path.abspath(args.program)), "Sound1.wav")
    busy = subprocess.Popen(["stress-ng", "--cpu", str(args.stress), "--quiet"]) if args.stress else None
    rest = {}
    try:
        with XServer() as server, ProgramFolder(args.program) as folder:
            program = measure([folder.executable], "ミレル", server, lambda n, points: points[n % 2],
                              prepare_board(pictures), presses=100 if args.stress else PRESSES, rest=rest)
            after_rest = program.pop()
            report("mirel", program)
            floor = measure([args.floor, wave], "floor", server, lambda n, points: (200, 200))
        report("floor", floor)
    finally:
        if busy:
            busy.kill()
            busy.wait()
    heard = [v for v in program[1:] if v is not None]
    print("mirel at rest: %.2f %% of a core over 10 s; a press after a minute's rest: %s"
          % (rest["cpu_percent"], "silent" if after_rest is None else "%.1f ms" % (after_rest * 1000)))
    print("the sink's latency while mirel plays, which a speaker adds: %s ms" % rest["sink"])
    failed = (len(heard) < len(program) - 1 or not heard or statistics.median(heard) > 0.010
              or program[0] is None or program[0] > 0.025 or after_rest is None or after_rest > 0.025
              or rest["cpu_percent"] > 0.05)
    print("targets:", "FAIL" if failed else "PASS")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
