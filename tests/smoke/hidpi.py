#!/usr/bin/python3
"""Smoke test: on a desktop at 150 % (Xft.dpi 144, which QT_FONT_DPI=144
stands in for) the title is the 1x picture with every pixel a 2 x 2 block,
outside the labels, where the text is drawn at the finer scale; on a
1024 x 768 screen, where 2x would not fit, the title is the picture 1:1; a
scale the user asks for with QT_SCALE_FACTOR is kept as given."""

from xsession import (check, check_title_screen, inside, label_boxes, read_picture, run_program, smoke_test,
                      wait_for_nothing_wrong)


def client_origin(server, window, side, scale):
    """Where the client area is, once it is known to be side pixels square."""
    x, y, width, height = server.client_rect(window)
    check((width, height) == (side, side),
          "at %s the client area is %dx%d, not %dx%d" % (scale, width, height, side, side))
    return x, y


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


def main(program, backdrop):
    boxes = label_boxes()

    def doubled(server, window):
        x, y = client_origin(server, window, 800, "150 %")
        # The first frame may still be on its way.
        wait_for_nothing_wrong(lambda: blocks_match(server.grab(x, y, 800, 800), backdrop, boxes),
                               lambda wrong: "%d picture pixels are not even 2 x 2 blocks, first at %s"
                               % (len(wrong), wrong[:3]), timeout=5)

    run_program(program, doubled, screen=(1280, 1024), QT_FONT_DPI="144")
    # The scale was once rounded up regardless, and the 800 x 800 window's bottom cut off.
    run_program(program, lambda server, window: check_title_screen(server, window, backdrop),
                screen=(1024, 768), QT_FONT_DPI="144")
    run_program(program, lambda server, window: client_origin(server, window, 600, "QT_SCALE_FACTOR=1.5"),
                screen=(1280, 1024), QT_SCALE_FACTOR="1.5")


if __name__ == "__main__":
    smoke_test(main, program=str, backdrop=read_picture)
