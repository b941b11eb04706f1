#!/usr/bin/python3
"""Smoke test of the program's own sounds: the real program plays into a
private sound server with a null sink whose monitor is recorded (--output
pulse), or through ALSA alone with no server anywhere (--output alsa). A 3 x 3
game played to its end must give the start of Sound1.wav at every tile move
and the start of Sound2.wav at the end; with the sound switched off (tried on
the server only), nothing is heard. This is what fails when a sound is
registered or wired wrongly, or when a desktop without a sound server gets no
sound."""

import fcntl
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import time

import numpy

import play
from xsession import Player, check, run_program, smoke_test, wait_until

RATE = 8000
SOUND_SWITCH = (248 + 60, 376 + 10)  # "サウンド・オン"


class SoundServer:
    """A private sound server with a null sink, and a recording of its monitor."""

    def __init__(self, latency_ms=20):
        self.latency_ms = latency_ms

    def __enter__(self):
        self.dir = tempfile.mkdtemp(prefix="mirel-pulse-")
        os.makedirs(os.path.join(self.dir, "runtime"))
        self.address = "unix:" + os.path.join(self.dir, "pulse.sock")
        env = dict(os.environ, HOME=self.dir, XDG_RUNTIME_DIR=os.path.join(self.dir, "runtime"),
                   PULSE_RUNTIME_PATH=os.path.join(self.dir, "runtime"), PULSE_STATE_PATH=self.dir)
        for name in ("PULSE_SERVER", "DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
            env.pop(name, None)
        self.recorder = None
        self.server = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--use-pid-file=no", "--system=false", "--exit-idle-time=-1",
             "--high-priority=yes", "--realtime=yes", "-L", "module-null-sink sink_name=mirel_null", "-L",
             "module-native-protocol-unix auth-anonymous=1 socket=" + os.path.join(self.dir, "pulse.sock")],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_until("the sound server", lambda: b"mirel_null" in self.pactl("list", "short", "sinks"))
        except BaseException:
            self.__exit__(None, None, None)
            raise
        # The programs' environment comes from ours (the latency bench starts its own).
        os.environ["PULSE_SERVER"] = self.address
        self.samples = bytearray()
        self.recorder = subprocess.Popen(
            ["parec", "--server=" + self.address, "-d", "mirel_null.monitor", "--raw", "--format=s16le",
             "--channels=1", "--rate=%d" % RATE, "--latency-msec=%d" % self.latency_ms], stdout=subprocess.PIPE)
        self.arrivals = []  # (monotonic time, samples so far) as each piece came in
        threading.Thread(target=self._record, daemon=True).start()
        return self

    def _record(self):
        while True:
            chunk = self.recorder.stdout.read1(4096)
            if not chunk:
                return
            self.samples += chunk
            self.arrivals.append((time.monotonic(), len(self.samples) // 2))

    def pactl(self, *args):
        return subprocess.run(["pactl", "--server=" + self.address, *args], capture_output=True).stdout

    def stream_open(self):
        return self.pactl("list", "short", "sink-inputs").strip()

    def heard(self):
        data = bytes(self.samples)
        return numpy.frombuffer(data[:len(data) // 2 * 2], dtype="<i2").astype(numpy.float64)

    def __exit__(self, *exc):
        os.environ.pop("PULSE_SERVER", None)
        for proc in (self.recorder, self.server):
            if proc is not None:
                proc.kill()
                proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)
        return False


class AlsaCard:
    """ALSA with no sound server to be found: the default device is ALSA's file
    plugin, writing a wave into a pipe read here at the pace a card plays. Its
    null device takes samples as fast as they come, so the pipe, kept short,
    is what holds the program's mixer to the time of the game."""

    def __enter__(self):
        self.dir = tempfile.mkdtemp(prefix="mirel-alsa-")
        runtime = os.path.join(self.dir, "runtime")  # no PipeWire socket in it
        os.makedirs(runtime, mode=0o700)
        card = os.path.join(self.dir, "card.wav")
        os.mkfifo(card)
        config = os.path.join(self.dir, "asound.conf")
        with open(config, "w") as f:
            f.write('pcm.!default { type file slave.pcm { type null } file "%s" format wav }\n' % card)
        self.env = dict(ALSA_CONFIG_PATH=config, XDG_RUNTIME_DIR=runtime,
                        PULSE_SERVER="unix:" + os.path.join(self.dir, "nobody-listens.sock"))
        # Our own writer keeps reads waiting, not at the end, until the program's comes.
        self.reader = os.open(card, os.O_RDONLY | os.O_NONBLOCK)
        self.writer = os.open(card, os.O_WRONLY)
        fcntl.fcntl(self.reader, fcntl.F_SETPIPE_SZ, 4096)  # about 20 ms ahead of what is heard
        os.set_blocking(self.reader, True)
        self.header = b""
        self.samples = bytearray()
        self.arrivals = []
        threading.Thread(target=self._record, daemon=True).start()
        return self

    def _record(self):
        while len(self.header) < 44:
            chunk = os.read(self.reader, 44 - len(self.header))
            if not chunk:
                return
            self.header += chunk
        per_second = struct.unpack_from("<I", self.header, 28)[0]  # bytes, from the header
        start = time.monotonic()
        while True:  # the card's clock
            due = int((time.monotonic() - start) * per_second) - len(self.samples)
            if due < 4096:
                time.sleep(0.005)
                continue
            chunk = os.read(self.reader, due)
            if not chunk:
                return
            self.samples += chunk
            self.arrivals.append((time.monotonic(), len(self.samples)))

    def stream_open(self):
        return self.samples

    def heard(self):
        raw = subprocess.run(["sox", "--ignore-length", "-t", "wav", "-", "-r", str(RATE), "-c", "1", "-b", "16",
                              "-e", "signed", "-t", "raw", "-"], input=self.header + bytes(self.samples),
                             check=True, capture_output=True).stdout
        return numpy.frombuffer(raw, dtype="<i2").astype(numpy.float64)

    def __exit__(self, *exc):
        os.close(self.writer)
        shutil.rmtree(self.dir, ignore_errors=True)
        return False


def beginning_of(wave, seconds=0.025):
    """The first moments of a sound file, as the recording hears them."""
    raw = subprocess.run(["sox", wave, "-r", str(RATE), "-c", "1", "-b", "16", "-e", "signed", "-t", "raw", "-"],
                         check=True, capture_output=True).stdout
    samples = numpy.frombuffer(raw, dtype="<i2").astype(numpy.float64)
    start = int(numpy.argmax(numpy.abs(samples) > 300))  # where the sound rises
    return samples[start:start + int(seconds * RATE)]


def below(samples, cutoff=2000.0, taps=63):
    """Only the band below `cutoff`. Above it the sound server's resampler and
    sox's differ by an amount that depends on where a start falls between the
    recording's samples: unfiltered, some starts matched their own template at
    only 0.82, a hair above the threshold, and now and then one fell below."""
    k = numpy.arange(taps) - (taps - 1) / 2
    kernel = numpy.sinc(2 * cutoff / RATE * k) * numpy.hamming(taps)
    return numpy.convolve(samples, kernel / kernel.sum(), mode="same")


def starts_heard(recording, template, apart=0, threshold=0.8):
    """How often the template is heard from its own beginning."""
    return len(start_positions(recording, template, apart, threshold))


def start_positions(recording, template, apart=0, threshold=0.8):
    """Where the template is heard from its own beginning: peaks of the
    normalised correlation, at least one template length (or `apart` samples)
    apart, as a sound's later parts may repeat its first moments."""
    n = len(template)
    if len(recording) < n:
        return []
    template = below(template)
    t = (template - template.mean()) / (numpy.linalg.norm(template - template.mean()) + 1e-9)
    windows = numpy.lib.stride_tricks.sliding_window_view(below(recording), n)
    centred = windows - windows.mean(axis=1, keepdims=True)
    scores = centred @ t / (numpy.linalg.norm(centred, axis=1) + 1e-9)
    loudest = numpy.abs(numpy.lib.stride_tricks.sliding_window_view(recording, n)).max(axis=1)
    scores[loudest < 1000] = 0  # silence matches nothing
    found, at = [], 0
    while at < len(scores):
        if scores[at] > threshold:
            found.append(at)
            at += max(n, apart)
        else:
            at += 1
    return found


def main(program, pictures, output):
    folder = os.path.dirname(os.path.abspath(program))
    move = beginning_of(os.path.join(folder, "Sound1.wav"))
    done = beginning_of(os.path.join(folder, "Sound2.wav"))

    def game(server, window, sound, sound_on):
        wait_until("the program's sound stream", sound.stream_open)
        # A fresh monitor can take a second to deliver; nothing may play before.
        wait_until("the recording to start", lambda: len(sound.samples) >= RATE // 10)
        if not sound_on:
            Player(server, window).click_and_see_change(*SOUND_SWITCH, "the sound switch to turn off")
        moves = play.play(server, window, pictures)
        # Everything played so far must have reached the recording.
        done_at = time.monotonic()
        wait_until("the recording to catch up", lambda: sound.arrivals[-1][0] > done_at + 0.5)
        heard = sound.heard()
        check(len(heard) > RATE, "the recording is too short to tell")
        if sound_on:
            check(starts_heard(heard, move) == moves, "%d moves, but the move sound was heard from its start %d times"
                  % (moves, starts_heard(heard, move)))
            starts = starts_heard(heard, done, apart=RATE)
            check(starts == 1, "the completion sound was heard %d times" % starts)
        else:
            check(numpy.abs(heard).max() < 300, "with the sound off, something was heard")

    if output == "alsa":
        with AlsaCard() as sound:
            run_program(program, lambda server, window: game(server, window, sound, True), **sound.env)
        return
    # The program connects to the sound server it finds when it starts.
    for sound_on in (True, False):
        with SoundServer() as sound:
            run_program(program, lambda server, window: game(server, window, sound, sound_on))


if __name__ == "__main__":
    smoke_test(main, program=str, pictures=play.Pictures, output=str)
