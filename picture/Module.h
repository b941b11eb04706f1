#pragma once
// The formats whose decoders are large libraries (libheif with its codecs,
// libtiff, libwebp) are read by a module of their own, loaded the first time
// such a picture is decoded, so the program's start loads none of them. The
// module lies beside the program, says which interface it speaks and answers
// one entry point by format name. Which files are of its formats the program
// decides itself, so no other file ever loads it.

#include <cstdint>
#include <memory>

#include "Reader.h"

namespace mirel::picture {

// Raise whenever anything the two sides share changes: this file, Reader.h or
// what the readers hand back. A module that says another number is refused.
inline constexpr std::uint32_t kModuleInterface = 3;

inline constexpr const char* kModuleFile = "mirel-codecs.so";
// The module's interface number, a std::uint32_t.
inline constexpr const char* kModuleInterfaceSymbol = "mirel_codec_interface";
inline constexpr const char* kModuleEntry = "mirel_codec";

// A reader of one format over an open device.
using ModuleOpen = std::unique_ptr<Reader> (*)(QIODevice& device);
// The entry point: the reader of the format of that name, or null.
using ModuleEntry = ModuleOpen (*)(const char* name);

}  // namespace mirel::picture
