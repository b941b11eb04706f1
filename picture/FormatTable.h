#pragma once
// The table of picture formats (FormatTable.cpp), the one place a format is
// named: what recognises its files by their first bytes, the name the player
// reads, its file patterns, on Linux whether the program or the decoder
// module reads it, our own check of its structure and the program's own
// reader at an eighth. Plain C++, so every system's loader shares it.

#include <memory>
#include <string_view>
#include <vector>

#include "picture/plain/ByteSource.h"
#include "picture/plain/Decoding.h"

namespace mirel::picture {

class FrameReader;

// Each row of the table, for the code that binds a reader to it.
enum class Format { Bmp, Gif, Jpeg, Png, Webp, Heic, Avif, Tiff };

// Who reads a format on Linux: the program itself, or the decoder module.
enum class ReadBy { Program, Module };
inline constexpr ReadBy kInProgram = ReadBy::Program;
inline constexpr ReadBy kInModule = ReadBy::Module;

struct FormatFacts {
  Format format;
  const char* name;                     // "png", as FittedPicture::format and the module knows it
  const char* shownName;                // "PNG", as the player reads it
  std::vector<const char*> extensions;  // "png"
  bool (*recognise)(std::string_view head);
  ReadBy readBy;
  const char* mimeType;  // "image/png"
  // Our own walk of the file's structure, which every system runs before any
  // decoder sees the file; null where our own decoder reads the whole file
  // or the format's reader walks it itself.
  Outcome (*fits)(ByteSource& source);
  // The program's own reader of the file at an eighth of its size, which every
  // system uses when the picture is reduced that far; null for none.
  std::unique_ptr<FrameReader> (*eighth)(ByteSource& source);
};

// Every format the program knows, in the order the player reads them.
const std::vector<FormatFacts>& FormatTable();
// Whether this system can read the format now: on Linux the decoder module
// reads some and may be refused; Windows reads all but BMP with the system's
// decoders, which may be missing. Bound by each system's readers.
bool SystemReads(const FormatFacts& format);
// How many bytes of the file's start `recognise` looks at, at most.
inline constexpr int kHeadBytes = 64;
// The format whose recogniser claims a file that starts with head; null for none.
const FormatFacts* Recognise(std::string_view head);

}  // namespace mirel::picture
