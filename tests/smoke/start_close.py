#!/usr/bin/python3
"""Smoke test of the real program: it starts in a fresh folder, shows the
title screen in a 400 x 400 window titled ミレル, closes on a window manager's
close request with exit code 0, and leaves the default record file, which a
second run writes back byte for byte."""

import argparse
import os
import sys
import time

from xsession import Failure, ProgramFolder, XServer, check, read_picture, stop

# Places and type sizes of the labels on the title screen: index, left, top,
# pixel size, caption length. Their painted area depends on the font found,
# so each gets a generous box; everything outside the boxes must be the backdrop.
TITLE_LABELS = [(0, 104, 8, 48, 3), (1, 72, 96, 29, 9), (2, 56, 224, 29, 10), (8, 248, 376, 21, 7)]

DEFAULT_NAMES = ["ああああああ", "いいいいいい", "うううううう", "ええええええ", "おおおおおお"]
DEFAULT_VALUES = ["500", "400", "300", "200", "100"]


def default_record_file():
    lines = []
    for k in range(1, 16):
        lines.append('"%s/%d/%s"\r\n' % (DEFAULT_VALUES[(k - 1) % 5], k, DEFAULT_NAMES[(k - 1) % 5]))
    return "".join(lines).encode("cp932")


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
    # The first frame may still be on its way; give it a moment to settle.
    boxes = label_boxes()
    deadline = time.monotonic() + 5
    while True:
        shot = server.grab(x, y, 400, 400)
        wrong = [(px, py) for py in range(400) for px in range(400)
                 if not inside(boxes, px, py) and shot[py][px] != backdrop[py][px]]
        if not wrong or time.monotonic() > deadline:
            break
        time.sleep(0.1)
    check(not wrong, "%d pixels outside the labels differ from the backdrop, first at %s (%s, want %s)"
          % (len(wrong), wrong[:1], shot[wrong[0][1]][wrong[0][0]] if wrong else None,
             backdrop[wrong[0][1]][wrong[0][0]] if wrong else None))
    for (index, *_), (x0, y0, x1, y1) in zip(TITLE_LABELS, boxes):
        ink = sum(1 for py in range(max(0, y0), min(400, y1)) for px in range(max(0, x0), min(400, x1))
                  if shot[py][px] != backdrop[py][px])
        check(ink > 50, "label %d shows no text" % index)


def run_once(server, folder, backdrop=None):
    """Starts the program, checks what it shows and closes it."""
    proc = folder.start(server)
    try:
        window = server.wait_for_window(proc=proc)
        if backdrop is not None:
            check_title_screen(server, window, backdrop)
        server.close_window(window)
        started = time.monotonic()
        while proc.poll() is None and time.monotonic() - started < 2.0:
            time.sleep(0.02)
        check(proc.poll() is not None, "still running 2 s after the close request")
        check(proc.returncode == 0, "exit code %s" % proc.returncode)
    except Failure as failure:
        raise Failure("%s\nprogram stderr:\n%s" % (failure, stop(proc))) from None
    finally:
        stop(proc)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--backdrop", required=True)
    args = parser.parse_args()
    backdrop = read_picture(args.backdrop)

    with XServer() as server, ProgramFolder(args.program) as folder:
        try:
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
