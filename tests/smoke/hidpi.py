#!/usr/bin/python3
"""Smoke test: on a desktop at 150 % (Xft.dpi 144, which QT_FONT_DPI=144
stands in for) the title is the 1x picture with every pixel a 2 x 2 block,
outside the labels, where the text is drawn at the finer scale; a scale the
user asks for with QT_SCALE_FACTOR is kept as given."""

import argparse
import sys

from xsession import (Failure, ProgramFolder, XServer, check, close_and_expect_exit, inside, label_boxes,
                      read_picture, stop, wait_until)


def run_scaled(server, folder, expected_side, **env):
    """Starts the program with env, waits for its window, hands back its
    client area's place once it is expected_side pixels square."""
    proc = folder.start(server, **env)
    try:
        window = server.wait_for_window(proc=proc)
        x, y, width, height = server.client_rect(window)
        check((width, height) == (expected_side, expected_side),
              "with %s the client area is %dx%d, not %dx%d" % (env, width, height, expected_side, expected_side))
        return proc, window, x, y
    except Failure as failure:
        raise Failure("%s\nprogram stderr:\n%s" % (failure, stop(proc))) from None


def blocks_match(shot, backdrop, boxes):
    """Places where the 2 x 2 block of a picture pixel is not that pixel."""
    wrong = []
    for py in range(400):
        rows = (shot[2 * py], shot[2 * py + 1])
        for px in range(400):
            if inside(boxes, px, py):
                continue
            want = backdrop[py][px]
            if any(row[2 * px + dx] != want for row in rows for dx in (0, 1)):
                wrong.append((px, py))
    return wrong


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--backdrop", required=True)
    args = parser.parse_args()
    backdrop = read_picture(args.backdrop)
    boxes = label_boxes()

    with XServer(1280, 1024) as server, ProgramFolder(args.program) as folder:
        try:
            proc, window, x, y = run_scaled(server, folder, 800, QT_FONT_DPI="144")
            try:
                # The first frame may still be on its way.
                wrong = []

                def even_blocks():
                    wrong[:] = blocks_match(server.grab(x, y, 800, 800), backdrop, boxes)
                    return not wrong

                try:
                    wait_until("the title in even 2 x 2 blocks", even_blocks, timeout=5)
                except Failure:
                    raise Failure("%d picture pixels are not even 2 x 2 blocks, first at %s"
                                  % (len(wrong), wrong[:3])) from None
                close_and_expect_exit(server, window, proc)
            finally:
                stop(proc)

            proc, window, _, _ = run_scaled(server, folder, 600, QT_SCALE_FACTOR="1.5")
            try:
                close_and_expect_exit(server, window, proc)
            finally:
                stop(proc)
        except Failure as failure:
            print("FAIL:", failure)
            return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
