#!/usr/bin/python3
"""Smoke test of the real program: it starts in a fresh folder, shows the
title screen in a 400 x 400 window titled ミレル, closes on a window manager's
close request with exit code 0, and leaves the default record file, which a
second run writes back byte for byte. Without a display it says so in one
line and exits with code 1."""

import argparse
import os
import subprocess
import sys

from xsession import (Failure, ProgramFolder, XServer, check, check_title_screen, close_and_expect_exit,
                      read_picture, stop)

DEFAULT_NAMES = ["ああああああ", "いいいいいい", "うううううう", "ええええええ", "おおおおおお"]
DEFAULT_VALUES = ["500", "400", "300", "200", "100"]


def default_record_file():
    lines = []
    for k in range(1, 16):
        lines.append('"%s/%d/%s"\r\n' % (DEFAULT_VALUES[(k - 1) % 5], k, DEFAULT_NAMES[(k - 1) % 5]))
    return "".join(lines).encode("cp932")


def run_once(server, folder, backdrop=None):
    """Starts the program, checks what it shows and closes it."""
    proc = folder.start(server)
    try:
        window = server.wait_for_window(proc=proc)
        if backdrop is not None:
            check_title_screen(server, window, backdrop)
        close_and_expect_exit(server, window, proc)
    except Failure as failure:
        raise Failure("%s\nprogram stderr:\n%s" % (failure, stop(proc))) from None
    finally:
        stop(proc)


def check_no_display(folder):
    """Guards against Qt's abort (signal 6) and its advice to reinstall."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
    proc = subprocess.run([folder.executable], env=env, capture_output=True, timeout=30)
    lines = proc.stderr.decode("utf-8", "replace").splitlines()
    check(proc.returncode == 1, "without a display the exit code is %d" % proc.returncode)
    check(len(lines) == 1 and "DISPLAY" in lines[0] and "WAYLAND_DISPLAY" in lines[0],
          "without a display stderr is %r" % lines)
    check(not os.path.exists(folder.file("Mirel.mtt")), "a run without a display wrote the record file")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--backdrop", required=True)
    args = parser.parse_args()
    backdrop = read_picture(args.backdrop)

    with XServer() as server, ProgramFolder(args.program) as folder:
        try:
            check_no_display(folder)
            before = set(os.listdir(folder.path))
            run_once(server, folder, backdrop)
            added = set(os.listdir(folder.path)) - before
            check(added == {"Mirel.mtt"}, "the first run left %s, not just Mirel.mtt" % sorted(added))
            with open(folder.file("Mirel.mtt"), "rb") as f:
                first = f.read()
            lines = first.split(b"\r\n")
            check(len(lines) == 16 and lines[-1] == b"", "record file has %d lines" % (len(lines) - 1))
            line1 = b'"500/1/' + "ああああああ".encode("cp932") + b'"\r\n'
            check(first.startswith(line1) and len(line1) == 22, "line 1 is %r" % first[:24])
            check(first == default_record_file(), "record file is not the default one")

            run_once(server, folder)
            with open(folder.file("Mirel.mtt"), "rb") as f:
                second = f.read()
            check(second == first, "the second run changed the record file")
        except Failure as failure:
            print("FAIL:", failure)
            return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
