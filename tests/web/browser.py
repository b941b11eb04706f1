"""A headless Chromium driven over its DevTools protocol through a pipe (the
browser's file descriptors 3 and 4), so no extra Python module is needed;
and a small web server for the page's folder. Waits and failures are the
smoke tests' (tests/smoke/xsession.py, on the path of whoever imports this)."""

import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time

from xsession import Failure


class Server:
    """Serves a folder on a free local port, as any static web server would."""

    def __init__(self, folder):
        handler = functools.partial(Quiet, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]

    def close(self):
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.httpd = None


class Quiet(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **{".wasm": "application/wasm"})

    def log_message(self, *args):
        pass


class Browser:
    """One page in a headless Chromium of its own."""

    def __init__(self, width=480, height=540, scale=1):
        executable = shutil.which("chromium") or shutil.which("chromium-browser")
        if not executable:
            raise Failure("chromium is needed (Debian package chromium)")
        self.profile = tempfile.mkdtemp(prefix="mirel-chromium-")
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        def give_pipes():
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        self.proc = subprocess.Popen(
            [executable, "--headless=new", "--remote-debugging-pipe", "--user-data-dir=" + self.profile,
             "--no-first-run", "--no-default-browser-check", "--disable-gpu", "--no-sandbox",
             "--window-size=%d,%d" % (width, height), "--force-device-scale-factor=%g" % scale,
             "--lang=ja", "about:blank"],
            preexec_fn=give_pipes, close_fds=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.next_id = 0
        self.buffer = b""
        self.events = []
        targets = self.send("Target.getTargets")["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.send("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        for domain in ("Page.enable", "Runtime.enable"):
            self.send(domain, session=True)

    def close(self):
        self.proc.kill()
        self.proc.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def _read_message(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                raise Failure("the browser closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def send(self, method, session=False, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        while True:
            reply = self._read_message()
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise Failure("%s: %s" % (method, reply["error"].get("message")))
                return reply.get("result", {})
            self.events.append(reply)

    def event(self, method, timeout=20.0):
        """The next event of that name, waiting for it."""
        deadline = time.monotonic() + timeout
        while True:
            for i, event in enumerate(self.events):
                if event.get("method") == method:
                    return self.events.pop(i)["params"]
            if time.monotonic() > deadline:
                raise Failure("no " + method)
            self.send("Runtime.evaluate", session=True, expression="0")

    def evaluate(self, expression, wait=False):
        result = self.send("Runtime.evaluate", session=True, expression=expression, returnByValue=True,
                           awaitPromise=wait)
        if "exceptionDetails" in result:
            raise Failure("%s: %s" % (expression, result["exceptionDetails"].get("text")))
        return result["result"].get("value")

    def go(self, url):
        self.send("Page.navigate", session=True, url=url)

    def mouse(self, kind, x, y, button="left", clicks=1):
        self.send("Input.dispatchMouseEvent", session=True, type=kind, x=x, y=y, button=button,
                  clickCount=clicks)

    def click(self, x, y, button="left"):
        self.mouse("mousePressed", x, y, button)
        self.mouse("mouseReleased", x, y, button)

    def tap(self, x, y):
        """A finger's touch and lift."""
        self.send("Input.dispatchTouchEvent", session=True, type="touchStart", touchPoints=[{"x": x, "y": y}])
        self.send("Input.dispatchTouchEvent", session=True, type="touchEnd", touchPoints=[])

    def canvas_rgb(self, selector="#board"):
        """The canvas's pixels as rows of RGB bytes."""
        data = self.evaluate(
            "(() => { const c = document.querySelector('%s');"
            " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height);"
            " let s = ''; for (let i = 0; i < d.data.length; i += 4)"
            " s += String.fromCharCode(d.data[i], d.data[i + 1], d.data[i + 2]);"
            " return [c.width, btoa(s)]; })()" % selector)
        width, rgb = data[0], base64.b64decode(data[1])
        return [rgb[y * width * 3:(y + 1) * width * 3] for y in range(len(rgb) // (width * 3))]
