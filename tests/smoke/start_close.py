#!/usr/bin/python3
"""Smoke test of the real program: it starts in a fresh folder, shows the
title screen in a 400 x 400 window titled ミレル, closes on a window manager's
close request with exit code 0, and leaves the default record file, which a
second run writes back byte for byte; a save that fails is shown in a message
box before the program ends. Without a display it says so in one line and
exits with code 1."""

import os
import subprocess

from xsession import (Failure, Player, ProgramFolder, XServer, check, check_title_screen, program_window,
                      read_picture, slurp, smoke_test, stop, wait_until)

DEFAULT_NAMES = ["ああああああ", "いいいいいい", "うううううう", "ええええええ", "おおおおおお"]
DEFAULT_VALUES = ["500", "400", "300", "200", "100"]


def default_record_file():
    lines = []
    for k in range(1, 16):
        lines.append('"%s/%d/%s"\r\n' % (DEFAULT_VALUES[(k - 1) % 5], k, DEFAULT_NAMES[(k - 1) % 5]))
    return "".join(lines).encode("cp932")


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


def check_failed_save_is_shown(server, folder):
    """Guards: a failed save went to stderr only, which a player never sees."""
    os.remove(folder.file("Mirel.mtt"))
    os.mkdir(folder.file("Mirel.mtt"))  # nothing can be saved under the name
    proc = folder.start(server)
    slow = 60.0 if proc.slow else 15.0
    try:
        player = Player(server, server.wait_for_window(proc=proc, timeout=slow))
        server.close_window(player.window)
        player.answer_message_box("the message box about the failed save")
        wait_until("the program to end once the box is answered", lambda: proc.poll() is not None, slow)
        check(proc.returncode == 0, "exit code %s after the failed save" % proc.returncode)
    except Failure as failure:
        raise Failure("%s\nprogram stderr:\n%s" % (failure, stop(proc))) from None
    finally:
        stop(proc)


def main(program, backdrop):
    with XServer() as server, ProgramFolder(program) as folder:
        if not folder.windows:  # Windows always has a desktop to draw on
            check_no_display(folder)
        before = set(os.listdir(folder.path))
        with program_window(server, folder.start(server)) as window:
            check_title_screen(server, window, backdrop)
        added = set(os.listdir(folder.path)) - before
        check(added == {"Mirel.mtt"}, "the first run left %s, not just Mirel.mtt" % sorted(added))
        first = slurp(folder.file("Mirel.mtt"))
        check(first == default_record_file(), "record file is not the default one: %r..." % first[:24])

        with program_window(server, folder.start(server)):
            pass
        check(slurp(folder.file("Mirel.mtt")) == first, "the second run changed the record file")
        check_failed_save_is_shown(server, folder)


if __name__ == "__main__":
    smoke_test(main, program=str, backdrop=read_picture)
