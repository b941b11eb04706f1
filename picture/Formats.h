#pragma once
// The table of picture formats (Formats.cpp), the one place a format is named:
// what recognises its files, the name the player reads, its file patterns and
// whether the program or the decoder module reads it.

#include <QByteArray>

#include <memory>
#include <vector>

#include "Reader.h"

namespace mirel::picture {

// A reader of one format over an open device.
using OpenReader = std::unique_ptr<Reader> (*)(QIODevice& device);

// In a row's `open`: the decoder module reads the format, asked by its name.
inline constexpr OpenReader kInModule = nullptr;

struct Format {
  const char* name;                     // "png", as FittedPicture::format and the module knows it
  const char* shownName;                // "PNG", as the player reads it
  std::vector<const char*> extensions;  // "png"
  bool (*recognise)(const QByteArray& head);
  OpenReader open;  // the program's own reader, or kInModule
};

// Every format that loads, in the order the player reads them.
const std::vector<Format>& Formats();
// How many bytes of the file's start `recognise` looks at, at most.
inline constexpr int kHeadBytes = 64;

// The reader of a file `format` recognised; the decoder module is loaded here,
// the first time one of its formats is read. Null when that format cannot be
// read here (the module is refused).
std::unique_ptr<Reader> Open(const Format& format, QIODevice& device);

}  // namespace mirel::picture
