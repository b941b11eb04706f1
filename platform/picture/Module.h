#pragma once
// The formats whose decoders are large libraries (libheif with its codecs,
// libtiff, libwebp) are read by a module of their own, loaded the first time
// such a picture is looked at, so the program's start loads none of them. The
// module lies beside the program and answers one entry point by format name.

#include <QByteArray>

#include <memory>

#include "Reader.h"

class QIODevice;

namespace mirel::picture {

struct ModuleFormat {
  bool (*recognise)(const QByteArray& head);
  std::unique_ptr<Reader> (*open)(QIODevice& device);
};

inline constexpr const char* kModuleFile = "mirel-codecs.so";
inline constexpr const char* kModuleEntry = "mirel_codec";
// The entry point: the format of that name, or null.
using ModuleEntry = const ModuleFormat* (*)(const char* name);

}  // namespace mirel::picture
