// The pictures the browser decodes for the game's module
// (picture/ReadersWeb.cpp): which formats this browser reads, a whole file
// decoded at once, and its rows a band at a time as the module squeezes them.
"use strict";

window.mirelPictures = (function () {
  // Every browser the page runs in reads these; the others are tried once,
  // with a tiny picture of each, before the game starts.
  const reads = new Set(["image/gif", "image/jpeg", "image/png", "image/webp"]);
  const SAMPLES = {
    "image/avif": "AAAAHGZ0eXBhdmlmAAAAAGF2aWZtaWYxbWlhZgAAAOhtZXRhAAAAAAAAACFoZGxyAAAAAAAAAABwaWN0AAAAAAAAAAAAAAAAAAAAAA5waXRtAAAAAAABAAAAImlsb2MAAAAAREAAAQABAAAAAAEMAAEAAAAAAAAAFQAAACNpaW5mAAAAAAABAAAAFWluZmUCAAAAAAEAAGF2MDEAAAAAaGlwcnAAAABJaXBjbwAAABNjb2xybmNseAACAAIABoAAAAAMYXYxQ4EAHAAAAAAUaXNwZQAAAAAAAAAQAAAAEAAAAA5waXhpAAAAAAEIAAAAF2lwbWEAAAAAAAAAAQABBIGCA4QAAAAdbWRhdBIACgUYDP/YVDIKGAAooQAB/WXj0A==",
    "image/heic": "AAAAHGZ0eXBoZWljAAAAAG1pZjFoZWljbWlhZgAAAaZtZXRhAAAAAAAAACFoZGxyAAAAAAAAAABwaWN0AAAAAAAAAAAAAAAAAAAAAA5waXRtAAAAAAACAAAAEGlkYXQAAAAAABAAEAAAADhpbG9jAQAAAERAAAIAAQAAAAAAAAHKAAEAAAAAAAAAIwACAAEAAAAAAAAAAQAAAAAAAAAIAAAAOGlpbmYAAAAAAAIAAAAVaW5mZQIAAAEAAQAAaHZjMQAAAAAVaW5mZQIAAAAAAgAAZ3JpZAAAAADRaXBycAAAAK9pcGNvAAAAcWh2Y0MBBAgAAAAAAAAAAAAe8AD8/Pj4AAAPAyAAAQAXQAEMAf//BAgAAAMAn/gAAAMAAB66AkAhAAEAJkIBAQQIAAADAJ/4AAADAAAewIIEFluqumubAgAAAwACAAADAAIQIgABAAZEAcFzwYkAAAAUaXNwZQAAAAAAAABAAAAAQAAAABRpc3BlAAAAAAAAABAAAAAQAAAADnBpeGkAAAAAAQgAAAAaaXBtYQAAAAAAAAACAAECgQIAAgIDhAAAABppcmVmAAAAAAAAAA5kaW1nAAIAAQABAAAAK21kYXQAAAAfKAGuJkJKJOfXDbP+G8cXYVVzU7JsIGJEKRKAY/X0rg==",
    "image/tiff": "SUkqAAoAAAD//w8AAAEDAAEAAAABAAAAAQEDAAEAAAABAAAAAgEDAAEAAAAQAAAAAwEDAAEAAAABAAAABgEDAAEAAAABAAAACgEDAAEAAAABAAAAEQEEAAEAAAAIAAAAEgEDAAEAAAABAAAAFQEDAAEAAAABAAAAFgEDAAEAAAABAAAAFwEEAAEAAAACAAAAHAEDAAEAAAABAAAAKQEDAAIAAAAAAAEAPgEFAAIAAAD0AAAAPwEFAAYAAADEAAAAAAAAAIXrUQAAAIAAw/WoAAAAAALNzEwAAAAAAc3MTAAAAIAAzcxMAAAAAAKPwvUAAAAAEDcaoAAAAAACK4cKAAAAIAA=",
  };
  let bitmap = null;
  let context = null;

  function bytesOf(base64) {
    const text = atob(base64);
    return Uint8Array.from(text, (c) => c.charCodeAt(0));
  }

  async function tryDecode(bytes, mimeType) {
    try {
      return await createImageBitmap(new Blob([bytes], { type: mimeType }));
    } catch (e) {
      return null;
    }
  }

  return {
    async probe() {
      await Promise.all(Object.entries(SAMPLES).map(async ([mimeType, base64]) => {
        const sample = await tryDecode(bytesOf(base64), mimeType);
        if (sample) {
          reads.add(mimeType);
          sample.close();
        }
      }));
    },
    reads(mimeType) {
      return reads.has(mimeType) ? 1 : 0;
    },
    // The picture upright, as the browser turns it; its size, or null.
    async decode(bytes, mimeType) {
      this.drop();
      bitmap = await tryDecode(bytes, mimeType);
      if (!bitmap || bitmap.width === 0 || bitmap.height === 0) return null;
      const canvas = document.createElement("canvas");
      canvas.width = bitmap.width;
      canvas.height = bitmap.height;
      context = canvas.getContext("2d", { willReadFrequently: true });
      context.drawImage(bitmap, 0, 0);
      return [bitmap.width, bitmap.height];
    },
    width() {
      return bitmap.width;
    },
    // Rows as 0xAARRGGBB, in memory B, G, R, A.
    rows(top, count, out) {
      const data = context.getImageData(0, top, bitmap.width, count).data;
      for (let i = 0; i < data.length; i += 4) {
        out[i] = data[i + 2];
        out[i + 1] = data[i + 1];
        out[i + 2] = data[i];
        out[i + 3] = data[i + 3];
      }
    },
    drop() {
      if (bitmap) bitmap.close();
      bitmap = null;
      context = null;
    },
  };
})();
