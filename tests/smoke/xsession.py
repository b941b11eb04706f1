"""A private X display and the real program on it, for the smoke tests.

Each session starts its own Xvfb on a free display (the server picks one and
tells us), copies the program with its two sounds into a fresh folder, and
talks to the server with python-xlib: finding the window by its title,
reading its pixels, and asking it to close as a window manager would.

A Windows build (a program whose name ends in .exe) runs the same way under
Wine: $MIREL_WINE, else wine, in the Wine prefix the environment names.

A script hands its checks to smoke_test, which reads its options and turns
the outcome into "ok" and exit code 0, or the first failed check and 1.
"""

import argparse
import contextlib
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

from Xlib import X, Xatom, display, protocol

TITLE = "ミレル"
# What the program finds beside itself, on Linux and on Windows.
BESIDE = ("Sound1.wav", "Sound2.wav", "mirel-codecs.so", "mirel-decode")
WINDOWS_BESIDE = ("Sound1.wav", "Sound2.wav", "mirel-decode.exe")
WINE = os.environ.get("MIREL_WINE", "wine")


def is_windows_program(path):
    return path.lower().endswith(".exe")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class XServer:
    """Xvfb on a display of its own choosing; stopped on exit."""

    def __init__(self, width=1024, height=768):
        self.size = (width, height)
        self.proc = None
        self.name = None
        self.conn = None

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % self.size, "-noreset", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(0.0, left))
            if not ready:
                self.__exit__(None, None, None)
                raise Failure("Xvfb did not start")
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        check(number.strip().isdigit(), "Xvfb reported no display")
        self.name = ":" + number.decode().strip()
        self.conn = display.Display(self.name)
        return self

    def __exit__(self, *exc):
        if self.conn is not None:
            try:
                self.conn.close()
            except Exception:
                pass
        if self.proc is not None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        return False

    @property
    def root(self):
        return self.conn.screen().root

    def env(self):
        env = dict(os.environ)
        # The tests set any scale themselves; none comes from the desktop.
        for name in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI",
                     "QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_USE_PHYSICAL_DPI"):
            env.pop(name, None)
        env["DISPLAY"] = self.name
        # A sanitizer build: the desktop libraries keep a few allocations to
        # the end, which is no fault of the program's; only those are forgiven.
        env.setdefault("LSAN_OPTIONS", "print_suppressions=0:suppressions=" + os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                                      "lsan.supp"))
        return env

    def title_of(self, window):
        try:
            utf8 = self.conn.intern_atom("UTF8_STRING")
            prop = window.get_full_property(self.conn.intern_atom("_NET_WM_NAME"), utf8)
            if prop is not None:
                value = prop.value
                return value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)
            prop = window.get_full_property(Xatom.WM_NAME, X.AnyPropertyType)
            if prop is not None:
                value = prop.value
                return value.decode("latin-1") if isinstance(value, bytes) else str(value)
        except Exception:
            pass
        return None

    def mapped_windows(self):
        found = []
        for window in self.root.query_tree().children:
            try:
                if window.get_attributes().map_state == X.IsViewable:
                    found.append(window)
            except Exception:
                pass
        return found

    def wait_for_window(self, title=TITLE, timeout=15.0, proc=None):
        def shown():
            if proc is not None and proc.poll() is not None:
                raise Failure("the program ended (code %s) before showing its window" % proc.returncode)
            return next((window for window in self.mapped_windows() if self.title_of(window) == title), None)
        return wait_until("a mapped window titled %r" % title, shown, timeout)

    def client_rect(self, window):
        """Place and size of a window's client area on the screen."""
        geometry = window.get_geometry()
        origin = window.translate_coords(self.root, 0, 0)
        return (-origin.x, -origin.y, geometry.width, geometry.height)

    def grab_rgb(self, x, y, width, height):
        """Pixels of the screen as rows of bytes, three (r, g, b) a pixel."""
        data = self.root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
        stride = len(data) // height
        rows = []
        for row in range(height):
            line = data[row * stride: row * stride + width * 4]
            rgb = bytearray(width * 3)
            rgb[0::3] = line[2::4]
            rgb[1::3] = line[1::4]
            rgb[2::3] = line[0::4]
            rows.append(bytes(rgb))
        return rows

    def grab(self, x, y, width, height):
        """Pixels of the screen as rows of (r, g, b) tuples."""
        return [[tuple(row[i:i + 3]) for i in range(0, width * 3, 3)]
                for row in self.grab_rgb(x, y, width, height)]

    def close_window(self, window):
        """What a window manager sends when the close box is pressed."""
        protocols = self.conn.intern_atom("WM_PROTOCOLS")
        delete = self.conn.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(
            window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=X.NoEventMask)
        self.conn.flush()


class ProgramFolder:
    """The built program and its sounds, copied into a fresh folder."""

    def __init__(self, program):
        self.program = os.path.abspath(program)
        self.windows = is_windows_program(program)
        self.name = "mirel.exe" if self.windows else "mirel"
        self.path = None

    def __enter__(self):
        self.path = tempfile.mkdtemp(prefix="mirel-smoke-")
        shutil.copy2(self.program, os.path.join(self.path, self.name))
        for name in WINDOWS_BESIDE if self.windows else BESIDE:
            shutil.copy2(os.path.join(os.path.dirname(self.program), name), os.path.join(self.path, name))
        return self

    def __exit__(self, *exc):
        shutil.rmtree(self.path, ignore_errors=True)
        return False

    @property
    def executable(self):
        return os.path.join(self.path, self.name)

    def file(self, name):
        return os.path.join(self.path, name)

    def start(self, server, **env):
        return start_program(program_argv(self.executable), server, **env)


def program_argv(executable):
    """How to start a program: a Windows one under Wine."""
    return [WINE, executable] if is_windows_program(executable) else [executable]


def start_program(argv, server, **env):
    """Starts a program on the server's display, with env added to its
    environment; stop() gives back what it wrote to stderr."""
    # The program looks for its files beside itself, not in the working
    # folder, so start it from elsewhere to prove that.
    errors = tempfile.TemporaryFile()
    proc = subprocess.Popen(argv, cwd=tempfile.gettempdir(), env=dict(server.env(), **env),
                            stdout=subprocess.DEVNULL, stderr=errors)
    proc.errors = errors
    # Wine takes longer to start a program and to see it end.
    proc.slow = argv[0] == WINE
    return proc


def close_and_expect_exit(server, window, proc, within=2.0):
    """Closes the window as a window manager would; the program must end cleanly in time."""
    server.close_window(window)
    wait_until("the program to end within %g s of the close request" % within,
               lambda: proc.poll() is not None, within, poll=0.02)
    check(proc.returncode == 0, "exit code %s after the close request" % proc.returncode)


@contextlib.contextmanager
def program_window(server, proc):
    """The window of a program just started, for the with block; then the
    close request, which the program must obey. A failure carries what the
    program wrote to stderr; either way it is gone afterwards."""
    try:
        window = server.wait_for_window(proc=proc, timeout=60.0 if proc.slow else 15.0)
        yield window
        close_and_expect_exit(server, window, proc, within=10.0 if proc.slow else 2.0)
    except Failure as failure:
        raise Failure("%s\nprogram stderr:\n%s" % (failure, stop(proc))) from None
    finally:
        stop(proc)


def run_program(program, body, screen=(1024, 768), **env):
    """The program, with env added to its environment, in a fresh folder under
    a private X server: body gets the server and the window, then the window
    is closed as a window manager would."""
    with XServer(*screen) as server, ProgramFolder(program) as folder, \
            program_window(server, folder.start(server, **env)) as window:
        body(server, window)


def smoke_test(body, **options):
    """Runs a script's checks: reads each option (--app-id for app_id) through
    the function given for it, calls body with them, and exits with 0 and
    "ok", or with 1 and the first failed check."""
    parser = argparse.ArgumentParser()
    for name, read in options.items():
        parser.add_argument("--" + name.replace("_", "-"), dest=name, type=read, required=True)
    try:
        body(**vars(parser.parse_args()))
    except Failure as failure:
        print("FAIL:", failure)
        sys.exit(1)
    print("ok")
    sys.exit(0)


def wait_until(what, test, timeout=10.0, poll=0.05):
    """Polls test until it gives something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = test()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(poll)


def wait_for_nothing_wrong(find, describe, timeout=10.0):
    """Polls find until it finds nothing wrong; at the deadline, fails with
    describe(what it found the last time)."""
    wrong = []

    def right():
        wrong[:] = find()
        return not wrong
    try:
        wait_until("", right, timeout, poll=0.03)
    except Failure:
        raise Failure(describe(wrong)) from None


class Player:
    """Clicks and keys in the program's window, and what it shows, as a player sees it."""

    def __init__(self, server, window):
        self.server = server
        self.window = window
        self.x, self.y, _, _ = server.client_rect(window)

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.server.env(), check=True, timeout=20)

    def click(self, x, y):
        self.xdotool("mousemove", str(self.x + x), str(self.y + y), "click", "1")

    def key(self, name):
        self.xdotool("key", name)

    def screen(self):
        """The client area as rows of (r, g, b) pixels."""
        return self.server.grab(self.x, self.y, 400, 400)

    def screen_rgb(self):
        """The client area as rows of packed RGB bytes."""
        return self.server.grab_rgb(self.x, self.y, 400, 400)

    def wait_until(self, what, test, timeout=10.0):
        return wait_until(what, test, timeout, poll=0.03)

    def wait_for_picture(self, rows, what, timeout=10.0):
        """Waits until the client area shows exactly these rows of packed RGB."""
        wait_for_nothing_wrong(lambda: [y for y, (a, b) in enumerate(zip(self.screen_rgb(), rows)) if a != b],
                               lambda wrong: "%s is not on screen (%d rows differ)" % (what, len(wrong)), timeout)

    def click_and_see_change(self, x, y, what):
        """Clicks, then waits until the client area shows something else."""
        before = self.screen_rgb()
        self.click(x, y)
        self.wait_until(what, lambda: self.screen_rgb() != before)

    def wait_for_levels(self):
        """Waits for the level labels: 素人レベル in red and 考古学者レベル in blue."""
        def shown():
            shot = self.screen()
            return all(any(shot[y][x] == colour for y in range(y0, y1) for x in range(x0, x1))
                       for (x0, y0, x1, y1), colour in LEVEL_MARKS)
        self.wait_until("the level labels", shown)

    def top_window(self, title):
        for window in self.server.mapped_windows():
            if window.id != self.window.id and self.server.title_of(window) == title:
                return window
        return None

    def message_box(self):
        return self.top_window(TITLE)

    def answer_message_box(self, what):
        """Waits for a message box, presses Return in it and waits for it to go."""
        box = self.wait_until(what, self.message_box)
        time.sleep(0.2)  # let it take the keyboard focus
        self.xdotool("windowfocus", "--sync", str(box.id))
        self.key("Return")
        self.wait_until(what + " to close", lambda: self.message_box() is None)
        return box


def stop(proc, timeout=5.0):
    """Makes sure a program we started is gone; returns what it wrote to stderr."""
    if proc.poll() is None:
        proc.kill()
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            pass
    proc.errors.seek(0)
    return proc.errors.read().decode("utf-8", "replace")


def slurp(path):
    with open(path, "rb") as f:
        return f.read()


def read_picture_rgb(path):
    """A picture file as rows of bytes, three (r, g, b) a pixel, through ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    check(len(raw) == width * height * 3, "could not read " + path)
    return [raw[y * width * 3:(y + 1) * width * 3] for y in range(height)]


def read_picture(path):
    """A picture file as rows of (r, g, b), through ImageMagick."""
    return [[tuple(row[i:i + 3]) for i in range(0, len(row), 3)] for row in read_picture_rgb(path)]


# Places and type sizes of the labels on the title screen: index, left, top,
# pixel size, caption length. Their painted area depends on the font found,
# so each gets a generous box; everything outside the boxes must be the backdrop.
TITLE_LABELS = [(0, 104, 8, 48, 3), (1, 72, 96, 29, 9), (2, 56, 224, 29, 10), (8, 248, 376, 21, 7)]


# Two level labels, each by a box around it and its colour, which no title
# label and no part of the backdrop has.
LEVEL_MARKS = [((128, 80, 300, 126), (255, 0, 0)), ((96, 312, 334, 358), (0, 0, 255))]


def label_boxes():
    boxes = []
    for _, left, top, px, chars in TITLE_LABELS:
        boxes.append((left - 4, top - 4, left + int(chars * px * 1.15) + 12, top + int(px * 1.6) + 4))
    return boxes


def inside(boxes, x, y):
    return any(x0 <= x < x1 and y0 <= y < y1 for x0, y0, x1, y1 in boxes)


def check_title_screen(server, window, backdrop):
    x, y, width, height = server.client_rect(window)
    check((width, height) == (400, 400), "client area is %dx%d, not 400x400" % (width, height))
    screen_w, screen_h = server.size
    check(abs(x - (screen_w - 400) // 2) <= 1 and abs(y - (screen_h - 400) // 2) <= 1,
          "window not centred: client area at %d,%d" % (x, y))
    # The first frame may still be on its way, and the labels come after the
    # backdrop: wait until both are right.
    boxes = label_boxes()

    def wrong():
        shot = server.grab(x, y, 400, 400)
        stray = [(px, py) for py in range(400) for px in range(400)
                 if not inside(boxes, px, py) and shot[py][px] != backdrop[py][px]]
        if stray:
            px, py = stray[0]
            return ["%d pixels outside the labels differ from the backdrop, first at %s (%s, want %s)"
                    % (len(stray), stray[0], shot[py][px], backdrop[py][px])]
        return ["label %d shows no text" % index for (index, *_), (x0, y0, x1, y1) in zip(TITLE_LABELS, boxes)
                if sum(1 for py in range(max(0, y0), min(400, y1)) for px in range(max(0, x0), min(400, x1))
                       if shot[py][px] != backdrop[py][px]) <= 50]
    wait_for_nothing_wrong(wrong, lambda problems: problems[0])
