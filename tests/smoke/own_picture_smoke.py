#!/usr/bin/python3
"""Smoke test: the player's own picture through the real open-file dialog.

The script clicks "手持ちの素材で遊ぶ♪", types the path of a damaged picture
into the dialog and checks that a message titled ミレル comes and the title
screen stays; then chooses a 600 x 450 picture of nine coloured blocks, picks
the 3 x 3 level and checks that the board shows the blocks' colours as they
are (squeezed to 300 x 300, copied without the backdrop showing through).
It then chooses a picture that takes seconds to decode and closes the window
at once: the program must end as quickly as ever, its decoder with it."""

import os
import struct
import tempfile
import time
import zlib

from xsession import Player, check_title_screen, is_windows_program, read_picture, run_program, smoke_test

PLAY_OWN = (56 + 100, 224 + 15)  # "手持ちの素材で遊ぶ♪"
LEVEL_1 = (128 + 50, 80 + 15)  # "素人レベル"
DIALOG_TITLE = "素材を選ぶ"
BOARD_LEFT, BOARD_TOP, CELL = 50, 100, 100

# Nine colours that an AND with the grey stele would change.
BLOCKS = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (255, 0, 255),
          (0, 255, 255), (255, 128, 0), (128, 255, 128), (192, 192, 255)]


def write_blocks_bmp(path, width=600, height=450):
    """A 24-bit BMP of 3 x 3 coloured blocks, rows stored bottom-up."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = BLOCKS[(y * 3 // height) * 3 + x * 3 // width]
            row += bytes((b, g, r))
        rows.append(bytes(row) + b"\0" * (stride - width * 3))
    pixels = b"".join(rows)
    header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def write_slow_png(path, width=65535, height=3051):
    """Zeros as 16-bit RGBA, a few megabytes that take the decoder seconds."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    z = zlib.compressobj(1)
    row = bytes(1 + width * 8)
    data = b"".join(z.compress(row) for _ in range(height)) + z.flush()
    header = struct.pack(">IIBBBBB", width, height, 16, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", data) + chunk(b"IEND", b""))


def choose_file(player, path, windows):
    """Clicks the own-picture label and types path into the dialog; under
    Wine, the path as Windows sees it, on the drive that holds /."""
    if windows:
        path = "Z:" + path.replace("/", "\\")
    player.click(*PLAY_OWN)
    dialog = player.wait_until("the file dialog", lambda: player.top_window(DIALOG_TITLE))
    time.sleep(0.5)  # let it take the keyboard focus and list the folder
    player.xdotool("windowfocus", "--sync", str(dialog.id))
    player.xdotool("type", "--delay", "20", path)
    player.key("Return")
    player.wait_until("the file dialog to close", lambda: player.top_window(DIALOG_TITLE) is None)


def run(server, window, backdrop, folder, windows):
    player = Player(server, window)

    # A damaged picture: a message, then the title screen as it was.
    broken = os.path.join(folder, "broken.jpg")
    with open(broken, "wb") as f:
        f.write(b"\xff\xd8\xff\xe0\x00\x10JFIF\x00" + bytes(range(200)))
    choose_file(player, broken, windows)
    player.answer_message_box("the message about the damaged file")
    check_title_screen(server, window, backdrop)

    # A good picture: the level labels, then a board of its colours.
    picture = os.path.join(folder, "blocks.bmp")
    write_blocks_bmp(picture)
    choose_file(player, picture, windows)
    player.wait_for_levels()
    player.click(*LEVEL_1)

    def board_colours():
        shot = player.screen()
        seen = [shot[BOARD_TOP + CELL * r + CELL // 2][BOARD_LEFT + CELL * c + CELL // 2]
                for r in range(3) for c in range(3)]
        shown = [colour for colour in seen if colour in BLOCKS]
        return seen if len(shown) == 8 and len(set(shown)) == 8 else None

    seen = player.wait_until("a board of the picture's colours", board_colours)
    print("board centres:", seen)


def close_while_loading(server, window, folder, windows):
    """A picture that takes the decoder seconds, and the window closed at once:
    the close (after this returns) must end the program within the usual time;
    the program ends its decoder and waits for it first."""
    player = Player(server, window)
    slow = os.path.join(folder, "slow.png")
    write_slow_png(slow)
    choose_file(player, slow, windows)


def main(program, backdrop):
    with tempfile.TemporaryDirectory(prefix="mirel-own-") as folder:
        def body(server, window):
            check_title_screen(server, window, backdrop)
            run(server, window, backdrop, folder, is_windows_program(program))

        run_program(program, body)
        run_program(program, lambda server, window: close_while_loading(server, window, folder,
                                                                        is_windows_program(program)))


if __name__ == "__main__":
    smoke_test(main, program=str, backdrop=read_picture)
