#!/usr/bin/python3
"""Smoke test: one 3 x 3 game played to its end with real mouse clicks.

The script clicks through the menu, reads the board off the screen as a player
sees it (each 100 x 100 cell compared with the tiles of the solved picture,
worked out from the backdrop and each of the four reliefs, as the relief is
chosen at random), solves it by breadth-first search, clicks the tiles,
answers the success message, checks the whole picture, then goes back to the
title screen through the return question."""

import collections
import os
import time

from xsession import (Failure, Player, check, check_title_screen, read_picture, read_picture_rgb, run_program,
                      smoke_test)

SIDE = 3
CELL = 100
BOARD_LEFT, BOARD_TOP = 50, 100
GAP = SIDE * SIDE - 1
SOLVED = tuple(range(SIDE * SIDE))

# Click points inside the labels, relative to the client area.
PLAY_BUILT_IN = (72 + 100, 96 + 15)  # "付属の素材で遊ぶ♪"
LEVEL_1 = (128 + 50, 80 + 15)  # "素人レベル"


def band_and(a, b):
    return (int.from_bytes(a, "big") & int.from_bytes(b, "big")).to_bytes(len(a), "big")


def cell_origin(index):
    return BOARD_LEFT + CELL * (index % SIDE), BOARD_TOP + CELL * (index // SIDE)


def cell_of(rows, index):
    x, y = cell_origin(index)
    return tuple(row[x * 3:(x + CELL) * 3] for row in rows[y:y + CELL])


class Pictures:
    """What each cell looks like with each tile of each relief in it."""

    def __init__(self, folder):
        self.backdrop_rows = read_picture_rgb(os.path.join(folder, "Backdrop.bmp"))
        self.backdrop = read_picture(os.path.join(folder, "Backdrop.bmp"))
        reliefs = [read_picture_rgb(os.path.join(folder, "Relief%d.bmp" % n)) for n in range(1, 5)]
        # A built-in tile is ANDed onto the backdrop already under its cell.
        self.tiles = []
        for relief in reliefs:
            looks = {}
            for cell in range(SIDE * SIDE):
                x, y = cell_origin(cell)
                for tile in range(SIDE * SIDE):
                    tx, ty = CELL * (tile % SIDE), CELL * (tile // SIDE)
                    looks[cell, tile] = tuple(
                        band_and(self.backdrop_rows[y + j][x * 3:(x + CELL) * 3],
                                 relief[ty + j][tx * 3:(tx + CELL) * 3]) for j in range(CELL))
            self.tiles.append(looks)

    def solved_screen(self, relief):
        rows = [bytearray(row) for row in self.backdrop_rows]
        for cell in range(SIDE * SIDE):
            x, y = cell_origin(cell)
            for j, line in enumerate(self.tiles[relief][cell, cell]):
                rows[y + j][x * 3:(x + CELL) * 3] = line
        return [bytes(row) for row in rows]

    def read_board(self, rows, relief):
        """The board on screen as a tuple of tile numbers by cell, or None."""
        choices = []
        for cell in range(SIDE * SIDE):
            seen = cell_of(rows, cell)
            fits = [tile for tile in range(GAP) if self.tiles[relief][cell, tile] == seen]
            if seen == cell_of(self.backdrop_rows, cell):
                fits.append(GAP)  # the gap shows the backdrop
            choices.append(fits)
        found = []

        def place(cell, used, board):
            if len(found) > 1:
                return
            if cell == len(choices):
                found.append(tuple(board))
                return
            for tile in choices[cell]:
                if tile not in used:
                    place(cell + 1, used | {tile}, board + [tile])

        place(0, frozenset(), [])
        return found[0] if len(found) == 1 else None

    def identify(self, rows):
        """Which relief is in play and the board as the player sees it."""
        for relief in range(len(self.tiles)):
            board = self.read_board(rows, relief)
            if board is not None:
                return relief, board
        raise Failure("the screen shows no board of any built-in picture")


def solve(board):
    """Cells to click, shortest first, to bring the board home."""
    paths = {board: None}
    queue = collections.deque([board])
    while queue:
        state = queue.popleft()
        if state == SOLVED:
            break
        gap = state.index(GAP)
        gx, gy = gap % SIDE, gap // SIDE
        for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
            nx, ny = gx + dx, gy + dy
            if 0 <= nx < SIDE and 0 <= ny < SIDE:
                cell = ny * SIDE + nx
                nxt = list(state)
                nxt[gap], nxt[cell] = nxt[cell], nxt[gap]
                nxt = tuple(nxt)
                if nxt not in paths:
                    paths[nxt] = (state, cell)
                    queue.append(nxt)
    check(SOLVED in paths, "board %s cannot be solved" % (board,))
    clicks = []
    state = SOLVED
    while paths[state] is not None:
        state, cell = paths[state]
        clicks.append(cell)
    return list(reversed(clicks))


def play_moves(board, clicks, click, wait_for):
    """Clicks each cell in turn and, before the next, waits for the board the
    move makes (wait_for(n, board)); the last move's end is the caller's."""
    for n, cell in enumerate(clicks):
        gap = board.index(GAP)
        moved = list(board)
        moved[gap], moved[cell] = moved[cell], moved[gap]
        board = tuple(moved)
        x, y = cell_origin(cell)
        click(x + CELL // 2, y + CELL // 2)
        if n + 1 < len(clicks):
            wait_for(n + 1, board)


def play(server, window, pictures):
    player = Player(server, window)
    player.click(*PLAY_BUILT_IN)
    player.wait_for_levels()
    player.click(*LEVEL_1)

    def board_shown():
        try:
            return pictures.identify(player.screen_rgb())
        except Failure:
            return None

    relief, board = player.wait_until("a 3 x 3 board", board_shown)
    check(board != SOLVED, "a new board starts solved")
    clicks = solve(board)
    print("relief %d, board %s, %d moves" % (relief + 1, board, len(clicks)))

    play_moves(board, clicks, player.click,
               lambda n, board: player.wait_until(
                   "move %d" % n, lambda: pictures.read_board(player.screen_rgb(), relief) == board))

    # The last move completes the picture. During the pause before the success
    # message the board stays on screen with its last piece still missing.
    seen_gap = False
    deadline = time.monotonic() + 10
    while player.message_box() is None and time.monotonic() < deadline:
        seen_gap = seen_gap or pictures.read_board(player.screen_rgb(), relief) == SOLVED
    check(seen_gap, "the finished board was not shown with its gap before the success message")
    player.answer_message_box("the success message")
    # The area the box covered is repainted after it goes.
    player.wait_for_picture(pictures.solved_screen(relief), "the whole picture")

    # A click now asks whether to go back; Yes (the default) leads to the title.
    player.click(200, 50)
    player.answer_message_box("the return question")
    check_title_screen(server, window, pictures.backdrop)
    return len(clicks)


def main(program, pictures):
    run_program(program, lambda server, window: play(server, window, pictures))


if __name__ == "__main__":
    # --pictures: the folder of Backdrop.bmp and Relief1..4.bmp
    smoke_test(main, program=str, pictures=Pictures)
