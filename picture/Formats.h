#pragma once
// Which of the Linux program's readers reads a format of the table in
// picture/FormatTable.cpp: its own, or the decoder module's.

#include <memory>

#include "FormatTable.h"
#include "Reader.h"

namespace mirel::picture {

// A reader of one format over an open device.
using OpenReader = std::unique_ptr<Reader> (*)(QIODevice& device);

// The reader of a file `format` recognised; the decoder module is loaded here,
// the first time one of its formats is read. Null when that format cannot be
// read here (the module is refused).
std::unique_ptr<Reader> Open(const FormatFacts& format, QIODevice& device);

}  // namespace mirel::picture
