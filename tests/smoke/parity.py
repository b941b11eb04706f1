#!/usr/bin/python3
"""Parity test: the Linux program and the Windows one under Wine, side by side
on X servers of their own, both started with the same MIREL_SEED and driven by
one script: the title, the level labels, a 3 x 3 game played to its end and
back to the title, the sound switch and a game of the player's own picture.
After each step both show the same picture, outside the labels' letters,
which each system's own font rasteriser draws; at the end both leave the same
record file, byte for byte."""

import os
import tempfile

from own_picture_smoke import choose_file, write_blocks_bmp
from play import CELL, GAP, LEVEL_1, PLAY_BUILT_IN, SOLVED, Pictures, cell_origin, solve
from xsession import (Player, ProgramFolder, XServer, check, program_window, slurp, smoke_test,
                      wait_for_nothing_wrong)

SEED = "20261209"
SOUND_SWITCH = (248 + 40, 376 + 10)  # "サウンド・オン"
# Each label by its place and type size, as designed; its letters may run
# to the window's right edge and a little past its em box.
LABELS = {0: (104, 8, 48), 1: (72, 96, 29), 2: (56, 224, 29), 3: (128, 80, 29), 4: (112, 152, 29),
          5: (128, 240, 29), 6: (96, 312, 29), 7: (168, 368, 29), 8: (248, 376, 21)}
TITLE = (0, 1, 2, 8)
LEVELS = (3, 4, 5, 6, 7)


def without_labels(rows, labels):
    out = [bytearray(row) for row in rows]
    for index in labels:
        left, top, size = LABELS[index]
        for y in range(max(0, top - 4), min(len(out), top + int(size * 1.6) + 4)):
            out[y][max(0, left - 4) * 3:] = bytes(len(out[y]) - max(0, left - 4) * 3)
    return out


def same(players, step, labels=()):
    """Waits until both programs show the same picture outside the labels."""
    def differing():
        a, b = (without_labels(p.screen_rgb(), labels) for p in players)
        return [y for y in range(len(a)) if a[y] != b[y]]
    wait_for_nothing_wrong(differing, lambda rows: "%s: the two systems differ in %d rows, first %s"
                           % (step, len(rows), rows[:1]), timeout=20.0)
    print("same:", step)


def both(players, act):
    for player in players:
        act(player)


def play_built_in(players, pictures):
    both(players, lambda p: p.click(*PLAY_BUILT_IN))
    both(players, lambda p: p.wait_for_levels())
    same(players, "the level labels", LEVELS)
    both(players, lambda p: p.click(*LEVEL_1))

    def board_shown(player):
        try:
            return pictures.identify(player.screen_rgb())
        except Exception:
            return None
    relief, board = players[0].wait_until("a 3 x 3 board", lambda: board_shown(players[0]))
    same(players, "a new game, shuffled alike")
    for n, cell in enumerate(solve(board)):
        gap = board.index(GAP)
        moved = list(board)
        moved[gap], moved[cell] = moved[cell], moved[gap]
        board = tuple(moved)
        x, y = cell_origin(cell)
        both(players, lambda p: p.click(x + CELL // 2, y + CELL // 2))
        if board != SOLVED:
            both(players, lambda p: p.wait_until("move %d" % (n + 1),
                                                 lambda: pictures.read_board(p.screen_rgb(), relief) == board))
        if n == 0:
            same(players, "the first move")
    both(players, lambda p: p.answer_message_box("the success message"))
    both(players, lambda p: p.wait_for_picture(pictures.solved_screen(relief), "the whole picture"))
    same(players, "the finished picture")
    both(players, lambda p: p.click(200, 50))
    both(players, lambda p: p.answer_message_box("the return question"))
    same(players, "back on the title", TITLE)


def play_own_picture(players, folder):
    picture = os.path.join(folder, "blocks.bmp")
    write_blocks_bmp(picture)
    for player, windows in zip(players, (False, True)):
        choose_file(player, picture, windows)
    both(players, lambda p: p.wait_for_levels())
    before = [p.screen_rgb() for p in players]
    both(players, lambda p: p.click(*LEVEL_1))
    for player, shown in zip(players, before):
        player.wait_until("a board of the player's picture", lambda: player.screen_rgb() != shown)
    same(players, "a game of the player's own picture")


def run(players, pictures, folder):
    same(players, "the title", TITLE)
    play_built_in(players, pictures)
    for player in players:
        player.click_and_see_change(*SOUND_SWITCH, "the sound switch's caption")
    same(players, "the sound switched off", TITLE)
    play_own_picture(players, folder)


def main(linux, windows, pictures):
    with tempfile.TemporaryDirectory(prefix="mirel-parity-") as folder, \
            XServer() as linux_server, XServer() as windows_server, \
            ProgramFolder(linux) as linux_folder, ProgramFolder(windows) as windows_folder:
        check(not linux_folder.windows and windows_folder.windows, "--linux and --windows name the two programs")
        with program_window(linux_server, linux_folder.start(linux_server, MIREL_SEED=SEED)) as linux_window, \
                program_window(windows_server, windows_folder.start(windows_server, MIREL_SEED=SEED)) as win_window:
            run([Player(linux_server, linux_window), Player(windows_server, win_window)], pictures, folder)
        records = [slurp(f.file("Mirel.mtt")) for f in (linux_folder, windows_folder)]
        check(records[0] == records[1], "the record files differ: %r... and %r..." % (records[0][:24], records[1][:24]))


if __name__ == "__main__":
    # --pictures: the folder of Backdrop.bmp and Relief1..4.bmp
    smoke_test(main, linux=str, windows=str, pictures=Pictures)
