// The page around the game's module: its canvas, its dialogs, its sound, and
// the record file kept in the browser's storage. The module calls the
// functions of `page` (Module.mirelPage); the page calls the module's
// exported functions for each press. See web/Main.cpp.
"use strict";

(function () {
  const SIDE = 400;  // the game's client area, both ways
  const FOLDER = "/mirel";
  const RECORD_FILE = FOLDER + "/Mirel.mtt";
  const RECORD_KEY = "mirel.records";  // the record file's bytes, one character each
  const FONT = "Mochiy Pop One";

  const canvas = document.getElementById("board");
  // Clear until the game first paints, so the title's picture shows through.
  const context = canvas.getContext("2d");
  const kept = document.createElement("canvas");  // the game's kept image at 1:1
  kept.width = kept.height = SIDE;
  const keptContext = kept.getContext("2d");
  const keptPixels = keptContext.createImageData(SIDE, SIDE);
  const status = document.getElementById("status");

  let scale = 0;          // device pixels per game pixel; none before the first fit
  let started = false;
  let running = false;    // a call into the game has not yet returned
  let ended = false;
  let refit = false;      // the page changed size while the game worked
  // When the game first painted, and when the last press came, painted and
  // started a sound (performance.now()), for the benchmark.
  const timing = { firstPaint: 0, pressed: 0, painted: 0, sounded: 0 };

  // --- Storage: the record file's bytes as they are on the desktop.

  function storedRecords() {
    const text = localStorage.getItem(RECORD_KEY);
    if (text === null) return null;
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i) & 0xff;
    return bytes;
  }

  // False when the browser keeps no more for the page (its storage is full or off).
  function storeRecords(bytes) {
    let text = "";
    for (let i = 0; i < bytes.length; ++i) text += String.fromCharCode(bytes[i]);
    try {
      localStorage.setItem(RECORD_KEY, text);
      return true;
    } catch (error) {
      status.textContent = "記録ファイルをブラウザーに保存できませんでした。";
      console.warn("the records are not kept:", error);
      return false;
    }
  }

  // --- Sound: a buffer a device, a fresh source a play.

  const audio = {
    context: null,
    buffers: new Map(),
    sources: new Map(),
    started: 0,  // plays so far, for whoever tests the page
    ensure() {
      if (!this.context) {
        const Context = window.AudioContext || window.webkitAudioContext;
        if (Context) this.context = new Context({ latencyHint: "interactive" });
      }
      return this.context;
    },
    // Browsers let a page's audio start only after the player's gesture.
    unlock() {
      const ctx = this.ensure();
      if (ctx && ctx.state !== "running") ctx.resume();
    },
    // The buffer needs no context: the context starts only with the player's
    // first press, so the page's start does not wait for the audio system.
    open(alias, samples, frames, rate) {
      if (!window.AudioBuffer) return;
      const buffer = new AudioBuffer({ numberOfChannels: 2, length: frames, sampleRate: rate });
      const left = buffer.getChannelData(0), right = buffer.getChannelData(1);
      for (let i = 0; i < frames; ++i) {
        left[i] = samples[2 * i] / 32768;
        right[i] = samples[2 * i + 1] / 32768;
      }
      this.close(alias);
      this.buffers.set(alias, buffer);
    },
    play(alias, loop) {
      const ctx = this.ensure(), buffer = this.buffers.get(alias);
      if (!ctx || !buffer) return;
      this.stop(alias);
      const source = ctx.createBufferSource();
      source.buffer = buffer;
      source.loop = loop;
      source.connect(ctx.destination);
      source.start();
      this.sources.set(alias, source);
      this.started += 1;
      timing.sounded = performance.now();
    },
    stop(alias) {
      const source = this.sources.get(alias);
      if (!source) return;
      source.stop();
      this.sources.delete(alias);
    },
    close(alias) {
      this.stop(alias);
      this.buffers.delete(alias);
    },
  };

  // --- Dialogs: the game waits for their answer.

  const dialog = document.getElementById("message");

  // Resolves 1 for OK or Yes, 2 for No.
  function message(text, yesNo, defaultNo, title) {
    return new Promise((resolve) => {
      document.getElementById("message-title").textContent = title;
      document.getElementById("message-text").textContent = text;
      const buttons = dialog.querySelector(".buttons");
      buttons.replaceChildren();
      const answers = yesNo ? [["はい", 1], ["いいえ", 2]] : [["OK", 1]];
      let preferred = null;
      for (const [caption, answer] of answers) {
        const button = document.createElement("button");
        button.type = "button";
        button.textContent = caption;
        button.addEventListener("click", () => {
          dialog.close();
          resolve(answer);
        });
        buttons.appendChild(button);
        if ((answer === 2) === defaultNo) preferred = button;
      }
      // A box with only OK closes with Escape as with OK; a question needs an answer.
      dialog.oncancel = (event) => {
        event.preventDefault();
        if (!yesNo) {
          dialog.close();
          resolve(1);
        }
      };
      dialog.showModal();
      preferred.focus();
    });
  }

  const picker = document.getElementById("picture");

  // Resolves the picked file's path in the module's file system, or null.
  function pickFile(title, accept) {
    return new Promise((resolve) => {
      let answered = false;
      const answer = (path) => {
        if (!answered) resolve(path);
        answered = true;
      };
      picker.accept = accept;
      picker.title = title;
      picker.value = "";
      picker.onchange = async () => {
        answered = true;  // the file's bytes are on their way
        const file = picker.files[0];
        if (!file) return resolve(null);
        const bytes = new Uint8Array(await file.arrayBuffer());
        const FS = Module.FS;
        try { FS.mkdir("/picked"); } catch (e) { /* already there */ }
        const path = "/picked/" + file.name.replace(/[\/\0]/g, "_");
        FS.writeFile(path, bytes);
        resolve(path);
      };
      picker.oncancel = () => answer(null);
      // A browser that tells nothing of a cancelled picker gives the page its
      // focus back: nothing chosen by then, nothing was.
      window.addEventListener("focus", () => setTimeout(() => answer(null), 1000), { once: true });
      picker.click();
    });
  }

  // --- The canvas.

  function drawImage(pixels, width, height) {
    // The kept image is 0xAARRGGBB a pixel, in memory B, G, R, A.
    const out = keptPixels.data;
    for (let i = 0; i < width * height * 4; i += 4) {
      out[i] = pixels[i + 2];
      out[i + 1] = pixels[i + 1];
      out[i + 2] = pixels[i];
      out[i + 3] = 255;
    }
    keptContext.putImageData(keptPixels, 0, 0);
    context.imageSmoothingEnabled = false;
    context.drawImage(kept, 0, 0, SIDE * scale, SIDE * scale);
    timing.painted = performance.now();
    if (!timing.firstPaint) timing.firstPaint = timing.painted;
  }

  function labelFont(pixelSize, italic) {
    return (italic ? "italic " : "") + pixelSize + 'px "' + FONT + '"';
  }

  function drawLabel(caption, x, baseline, pixelSize, italic, rgb) {
    context.font = labelFont(pixelSize, italic);
    context.fillStyle = "#" + rgb.toString(16).padStart(6, "0");
    context.textBaseline = "alphabetic";
    context.fillText(caption, x, baseline);
  }

  function measureLabel(caption, pixelSize, italic) {
    context.font = labelFont(pixelSize, italic);
    return Math.round(context.measureText(caption).width);
  }

  // The largest whole scale, in device pixels, at which the game fits the
  // page beside the links below it.
  // Before the game starts, only the canvas is sized, for the title's picture
  // behind it (style.css) to show at the game's size.
  function fit() {
    if (running) {
      refit = true;  // once the game is done with what it does
      return;
    }
    const ratio = window.devicePixelRatio || 1;
    const room = Math.min(window.innerWidth, window.innerHeight - 64) * ratio;
    const wanted = Math.max(1, Math.floor(room / SIDE));
    if (wanted === scale) return;
    scale = wanted;
    canvas.width = canvas.height = SIDE * scale;
    canvas.style.width = canvas.style.height = (SIDE * scale) / ratio + "px";
    call("mirel_rescale", ["number"], [scale]);
  }
  fit();

  // --- Input: presses go to the game one at a time; while it works (a box
  // is open, a pause runs) input is no input, as on the desktop.

  function call(name, types, values) {
    if (!started || ended || running) return;
    running = true;
    Promise.resolve(Module.ccall(name, null, types, values, { async: true })).finally(() => {
      running = false;
      if (refit) {
        refit = false;
        fit();
      }
    });
  }

  function devicePoint(event) {
    const box = canvas.getBoundingClientRect();
    return [(event.clientX - box.left) * (canvas.width / box.width),
            (event.clientY - box.top) * (canvas.height / box.height)];
  }

  const BUTTONS = { 0: 1, 1: 4, 2: 2 };  // left, middle, right: the classic numbering

  function shiftOf(event) {
    return (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0);
  }

  let held = false;  // a press went in and its release has not

  canvas.addEventListener("mousedown", (event) => {
    event.preventDefault();
    audio.unlock();
    // The second press of a double-click is no press, as on the desktop.
    if (event.detail > 1 && event.detail % 2 === 0) return;
    const [x, y] = devicePoint(event);
    held = true;
    timing.pressed = event.timeStamp;
    call("mirel_press", ["number", "number", "number", "number"], [BUTTONS[event.button] || 0, shiftOf(event), x, y]);
  });
  // The release counts wherever the mouse is, as a captured mouse's does.
  window.addEventListener("mouseup", (event) => {
    if (!held) return;
    held = false;
    const [x, y] = devicePoint(event);
    call("mirel_release", ["number", "number", "number"], [BUTTONS[event.button] || 0, x, y]);
  });
  canvas.addEventListener("contextmenu", (event) => event.preventDefault());

  // A touch is the left button.
  canvas.addEventListener("touchstart", (event) => {
    event.preventDefault();  // and no mouse events made from it
    audio.unlock();
    if (event.touches.length !== 1) return;
    const [x, y] = devicePoint(event.changedTouches[0]);
    held = true;
    call("mirel_press", ["number", "number", "number", "number"], [1, 0, x, y]);
  }, { passive: false });
  canvas.addEventListener("touchend", (event) => {
    event.preventDefault();
    if (!held) return;
    held = false;
    const [x, y] = devicePoint(event.changedTouches[0]);
    call("mirel_release", ["number", "number", "number"], [1, x, y]);
  }, { passive: false });
  canvas.addEventListener("touchcancel", () => {
    held = false;
    call("mirel_let_go", [], []);
  });
  window.addEventListener("resize", fit);

  // --- The record file, to carry between this page and the desktop game.

  document.getElementById("records-save").addEventListener("click", (event) => {
    const bytes = storedRecords();
    if (!bytes) return event.preventDefault();
    event.currentTarget.href = URL.createObjectURL(new Blob([bytes], { type: "application/octet-stream" }));
  });
  document.getElementById("records-load").addEventListener("change", async (event) => {
    const file = event.target.files[0];
    if (!file) return;
    // The game reads the records as it starts.
    if (storeRecords(new Uint8Array(await file.arrayBuffer()))) location.reload();
  });

  // --- The start: the font, the sounds and the records into place first.

  // Asked for at once, while the module itself loads.
  const font = new FontFace(FONT, "url(MochiyPopOne-Labels.ttf)").load();
  const sounds = ["Sound1.wav", "Sound2.wav"].map(async (name) => {
    const response = await fetch(name);
    if (!response.ok) throw new Error(name + ": " + response.status);
    return [name, new Uint8Array(await response.arrayBuffer())];
  });

  async function prepare() {
    document.fonts.add(await font);
    const FS = Module.FS;
    FS.mkdir(FOLDER);
    for (const [name, bytes] of await Promise.all(sounds)) FS.writeFile(FOLDER + "/" + name, bytes);
    const records = storedRecords();
    if (records) FS.writeFile(RECORD_FILE, records);
  }

  const page = {
    audio, message, pickFile, drawImage, drawLabel, measureLabel,
    busy(on) { canvas.style.cursor = on ? "wait" : ""; },
    say(text) { status.textContent = text; },
    keepRecords() { storeRecords(Module.FS.readFile(RECORD_FILE)); },
    started() {
      started = true;
      status.textContent = "";
      call("mirel_rescale", ["number"], [scale]);
      // Which formats beyond the common ones this browser reads matters only
      // once the player picks a picture.
      window.mirelPictures.probe();
    },
    ended(error) {
      ended = true;
      status.textContent = error;
      message(error, false, false, document.title);
    },
  };

  window.Module = {
    mirelPage: page,
    preRun: [() => {
      Module.addRunDependency("mirel-files");
      prepare().then(() => Module.removeRunDependency("mirel-files"), (error) => {
        status.textContent = "読み込めませんでした: " + error.message;
      });
    }],
    printErr: (text) => console.warn(text),
  };
  // Kept for play without a network, where the page is served over HTTP(S).
  if ("serviceWorker" in navigator && location.protocol.startsWith("http")) {
    navigator.serviceWorker.register("sw.js").catch((error) => console.warn("no offline copy:", error));
  }

  // For the tests: what the page holds.
  window.mirel = { page, timing, storedRecords, isRunning: () => running, isStarted: () => started };
})();
