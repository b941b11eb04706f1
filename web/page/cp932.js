// Code page 932, the record file's text, for the game's module
// (support/Cp932Web.cpp): the browser decodes it (its Shift_JIS is Windows'
// code page 932), and encoding goes by the table the decoder gives, each
// character to its first two bytes, as Windows does, but never to the NEC
// copy of IBM's extension (lead bytes 0xED and 0xEE), which Windows skips.
"use strict";

window.mirelCp932 = (function () {
  let table = null;  // code point to its bytes

  // Every two-byte code decoded in one call, each followed by a line feed:
  // a code the decoder refuses comes out as U+FFFD, with its second byte
  // after it when that is ASCII, so each code is still one line.
  function makeTable() {
    const made = new Map();
    for (let b = 0; b < 0x80; ++b) made.set(b, Uint8Array.of(b));
    const codes = [];
    for (let b = 0xa1; b <= 0xdf; ++b) codes.push([b]);
    for (let lead = 0x81; lead <= 0xfc; ++lead) {
      if ((lead >= 0xa0 && lead <= 0xdf) || lead === 0xed || lead === 0xee) continue;
      for (let trail = 0x40; trail <= 0xfc; ++trail) if (trail !== 0x7f) codes.push([lead, trail]);
    }
    const bytes = [];
    for (const code of codes) bytes.push(...code, 0x0a);
    const lines = new TextDecoder("shift_jis").decode(Uint8Array.from(bytes)).split("\n");
    codes.forEach((code, i) => {
      const line = lines[i];
      const point = line.codePointAt(0);
      if (line.length === 1 && point !== 0xfffd && !made.has(point)) made.set(point, Uint8Array.from(code));
    });
    return made;
  }

  return {
    // The text of the bytes, or null when they are not code page 932.
    decode(bytes) {
      try {
        return new TextDecoder("shift_jis", { fatal: true }).decode(bytes);
      } catch (e) {
        return null;
      }
    },
    // The bytes of the UTF-8 text, each character without a form (and each
    // badly formed piece of UTF-8, as the decoder cuts them) one "?".
    encode(utf8) {
      table = table || makeTable();
      const text = new TextDecoder("utf-8").decode(utf8);
      const out = [];
      let replaced = 0;
      for (const character of text) {
        const bytes = table.get(character.codePointAt(0));
        if (bytes) {
          out.push(...bytes);
        } else {
          out.push(0x3f);
          replaced += 1;
        }
      }
      return { bytes: Uint8Array.from(out), replaced };
    },
  };
})();
