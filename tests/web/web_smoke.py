#!/usr/bin/python3
"""The web page in a real browser (headless Chromium): the title screen the
same as the desktop's outside the labels' letters, the record file stored as
the desktop's default bytes, a 3 x 3 game solved with the mouse to the
success message and back to the title with a sound started on each move, and
own pictures through the page's file picker: a damaged one refused with its
message, a JPEG the browser decodes (and turns by its EXIF orientation)
loaded, and a TIFF, which Chromium does not read, refused by naming what it
reads; the records saved through the page's link and a record file loaded
through it kept byte for byte; then the page's manifest, and the page starting
again with its server gone, from the copy kept for play without a network.

    tests/web/web_smoke.py --page build-web/web --pictures assets/pictures"""

import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "smoke"))

from browser import Browser, Server  # noqa: E402
from play import LEVEL_1, PLAY_BUILT_IN, SOLVED, Pictures, play_moves, solve  # noqa: E402
from start_close import default_record_file  # noqa: E402
from xsession import check, inside, label_boxes, read_picture, smoke_test, wait_until  # noqa: E402

PLAY_OWN = (56 + 100, 224 + 15)  # "手持ちの素材で遊ぶ♪"
BACK = (168 + 30, 368 + 15)  # "戻る"


class Page:
    def __init__(self, browser):
        self.browser = browser

    def point(self, x, y):
        """A point of the game's client area on the page."""
        left, top, width = self.browser.evaluate(
            "(() => { const r = document.getElementById('board').getBoundingClientRect();"
            " return [r.left, r.top, r.width]; })()")
        return left + x * width / 400, top + y * width / 400

    def click(self, x, y):
        self.browser.click(*self.point(x, y))

    def idle(self):
        return self.browser.evaluate("!mirel.isRunning()")

    def rgb(self):
        return self.browser.canvas_rgb()

    def message(self):
        """The open message's text, or None."""
        return self.browser.evaluate(
            "document.getElementById('message').open ? document.getElementById('message-text').textContent : null")

    def answer(self, caption, what):
        """Presses the message's button of that caption with the mouse."""
        text = wait_until(what, self.message)
        x, y = self.browser.evaluate(
            "(() => { const b = [...document.querySelectorAll('#message button')]"
            ".find((b) => b.textContent === %r); const r = b.getBoundingClientRect();"
            " return [r.left + r.width / 2, r.top + r.height / 2]; })()" % caption)
        self.browser.click(x, y)
        wait_until(what + " to close", lambda: self.message() is None)
        return text

    def sounds(self):
        return self.browser.evaluate("mirel.page.audio.started")


def differing_outside_labels(pixel, backdrop, scale=1):
    """How many pixels outside the title's labels differ from the backdrop;
    pixel(x, y) is the RGB bytes of a device pixel, each game pixel being a
    scale x scale block of them."""
    boxes = label_boxes()
    return sum(1 for y in range(400) for x in range(400) if not inside(boxes, x, y)
               for j in range(scale) for i in range(scale)
               if pixel(scale * x + i, scale * y + j) != bytes(backdrop[y][x]))


def canvas_pixel(rows):
    return lambda x, y: rows[y][x * 3:x * 3 + 3]


def check_title_picture(path, backdrop):
    """The picture the page shows until the game paints is the title screen's."""
    title = read_picture(path)
    wrong = differing_outside_labels(lambda x, y: bytes(title[y][x]), backdrop)
    check(wrong == 0, "%s differs from the title screen in %d pixels outside the labels" % (path, wrong))


def check_title(page, backdrop):
    wait_until("the title screen outside the labels to be the backdrop",
               lambda: differing_outside_labels(canvas_pixel(page.rgb()), backdrop) == 0)


def play_a_game(page, pictures):
    page.click(*PLAY_BUILT_IN)
    wait_until("the levels", page.idle)
    page.click(*LEVEL_1)

    def board_shown():
        try:
            return pictures.identify(page.rgb()) if page.idle() else None
        except Exception:
            return None
    relief, board = wait_until("a 3 x 3 board", board_shown)
    check(board != SOLVED, "a new board starts solved")
    clicks = solve(board)
    before = page.sounds()
    play_moves(board, clicks, page.click,
               lambda n, board: wait_until("move %d" % n, lambda: pictures.read_board(page.rgb(), relief) == board))
    text = page.answer("OK", "the success message")
    check("おめでとう" in text, "the success message says %r" % text)
    # One move sound a move, then the completion sound.
    check(page.sounds() - before >= len(clicks) + 1,
          "%d sounds started for %d moves and the completion" % (page.sounds() - before, len(clicks)))
    page.click(200, 50)
    page.answer("はい", "the return question")
    check_title(page, pictures.backdrop)
    return len(clicks)


def turned_jpeg(path):
    """A 60 x 30 JPEG whose EXIF orientation turns it upright (6: a quarter clockwise)."""
    subprocess.run(["convert", "-size", "60x30", "xc:#2050c0", path], check=True)
    data = open(path, "rb").read()
    tiff = b"MM\0\x2a" + struct.pack(">IH", 8, 1) + struct.pack(">HHII", 0x0112, 3, 1, 6 << 16) + bytes(4)
    exif = b"Exif\0\0" + tiff
    with open(path, "wb") as out:
        out.write(data[:2] + b"\xff\xe1" + struct.pack(">H", len(exif) + 2) + exif + data[2:])


def own_pictures(page, browser):
    """Each picture picked through the page's file picker: the message it
    brought, or None when it loaded (the level labels show)."""
    browser.send("Page.setInterceptFileChooserDialog", session=True, enabled=True)
    with tempfile.TemporaryDirectory() as folder:
        files = {"damaged.bmp": None, "turned.jpg": None, "photo.tif": None}
        with open(os.path.join(folder, "damaged.bmp"), "wb") as out:
            out.write(b"BM" + bytes(60))
        turned_jpeg(os.path.join(folder, "turned.jpg"))
        subprocess.run(["convert", "-size", "8x8", "xc:white", os.path.join(folder, "photo.tif")], check=True)
        for name in files:
            page.click(*PLAY_OWN)
            chooser = browser.event("Page.fileChooserOpened")
            browser.send("DOM.setFileInputFiles", session=True, files=[os.path.join(folder, name)],
                         backendNodeId=chooser["backendNodeId"])

            def outcome():
                if page.message() is not None:
                    return "message"
                return "levels" if page.idle() and level_labels_shown(page.rgb()) else None
            if wait_until(name + " to load or be refused", outcome) == "message":
                files[name] = page.answer("OK", name + "'s message")
            else:
                page.browser.tap(*page.point(*BACK))  # a finger, as on a phone
            wait_until("the title again", lambda: page.idle() and not level_labels_shown(page.rgb()))
    return files


def carry_records(browser, page):
    """The page's links save the records as Mirel.mtt, and a file loaded
    through them is what the game then keeps, byte for byte."""
    with tempfile.TemporaryDirectory() as folder:
        browser.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=folder)
        x, y = browser.evaluate("(() => { const r = document.getElementById('records-save')"
                                ".getBoundingClientRect(); return [r.left + 4, r.top + r.height / 2]; })()")
        browser.click(x, y)
        saved = os.path.join(folder, "Mirel.mtt")
        wait_until("the saved records",
                   lambda: os.path.exists(saved) and open(saved, "rb").read() == default_record_file())
        carried = os.path.join(folder, "carried.mtt")
        with open(carried, "wb") as out:
            out.write(default_record_file().replace(b'"500/1/', b'"999/1/'))
        before = browser.evaluate("performance.timeOrigin")
        document = browser.send("DOM.getDocument", session=True)["root"]["nodeId"]
        field = browser.send("DOM.querySelector", session=True, nodeId=document, selector="#records-load")["nodeId"]
        browser.send("DOM.setFileInputFiles", session=True, files=[carried], nodeId=field)
        wait_until("the page to start again", lambda: browser.evaluate(
            "performance.timeOrigin !== %r && !!(window.mirel && mirel.isStarted())" % before))
        kept = bytes(browser.evaluate("Array.from(mirel.storedRecords())"))
        check(kept == open(carried, "rb").read(), "the loaded records came back as %r" % kept[:40])


def level_labels_shown(rows):
    """The first level label's red, which the title and the backdrop lack."""
    return any(rows[y][x * 3:x * 3 + 3] == b"\xff\0\0" for y in range(80, 126) for x in range(128, 300))


def check_sharp_at_twice(folder, backdrop):
    """On a screen of two device pixels to the CSS pixel the game fills a
    canvas of twice its size, each pixel a whole 2 x 2 block."""
    server = Server(folder)
    browser = Browser(width=500, height=1000, scale=2)
    try:
        browser.go(server.url + "index.html")
        wait_until("the page to start", lambda: browser.evaluate("!!(window.mirel && mirel.isStarted())"),
                   timeout=30)
        size = browser.evaluate("[board.width, board.getBoundingClientRect().width]")
        check(size == [800, 400], "canvas of %d device pixels shown %g CSS pixels wide, not 800 and 400" % tuple(size))
        wait_until("the title in 2 x 2 blocks",
                   lambda: differing_outside_labels(canvas_pixel(browser.canvas_rgb()), backdrop, 2) == 0)
    finally:
        browser.close()
        server.close()


def main(page, pictures):
    folder = page
    pictures = Pictures(pictures)
    server = Server(folder)
    browser = Browser(width=480, height=600)
    try:
        page = Page(browser)
        browser.go(server.url + "index.html")
        # The first load compiles the module.
        wait_until("the page to start", lambda: browser.evaluate("!!(window.mirel && mirel.isStarted())"),
                   timeout=30)
        check(browser.evaluate("document.title") == "ミレル", "the tab is not called ミレル")
        check_title(page, pictures.backdrop)
        check_title_picture(os.path.join(folder, "title.png"), pictures.backdrop)
        check_sharp_at_twice(folder, pictures.backdrop)
        stored = bytes(browser.evaluate("Array.from(mirel.storedRecords())"))
        check(stored == default_record_file(), "the stored records are not the default file: %r" % stored[:40])
        moves = play_a_game(page, pictures)
        told = own_pictures(page, browser)
        check(told["damaged.bmp"] and "壊れて" in told["damaged.bmp"], "a damaged BMP: %r" % told["damaged.bmp"])
        check(told["turned.jpg"] is None, "a JPEG the browser decodes was refused: %r" % told["turned.jpg"])
        unsupported = told["photo.tif"] or ""
        check("対応していません" in unsupported and "JPEG" in unsupported and "TIFF" not in unsupported,
              "a TIFF the browser does not read: %r" % unsupported)
        carry_records(browser, page)
        # Installable and kept for play without a network: with the server
        # gone, the page still starts.
        check(browser.evaluate("fetch('manifest.webmanifest').then((r) => r.json()).then((m) => m.name)",
                               wait=True) == "ミレル", "the manifest does not name the game")
        wait_until("the offline copy", lambda: browser.evaluate("!!navigator.serviceWorker.controller"))
        server.close()
        browser.go(server.url + "index.html")
        wait_until("the page to start without its server",
                   lambda: browser.evaluate("!!(window.mirel && mirel.isStarted())"))
        check_title(page, pictures.backdrop)
        print("a game of %d moves; own pictures: %s" % (moves, unsupported.splitlines()[-1]))
    finally:
        browser.close()
        server.close()


if __name__ == "__main__":
    smoke_test(main, page=str, pictures=str)
