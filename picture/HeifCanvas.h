#pragma once
// The canvas a HEIF file's primary image declares when it is derived from
// other images: a grid of tiles, an overlay, or an identity of either. The
// library allocates that canvas whole before it decodes a tile, and holds only
// the image's own size record, which may say something else, to its limits.

#include <QSize>

#include <optional>

class QIODevice;

namespace mirel::picture {

// The declared canvas; an empty size when the primary image is coded, not
// derived; nothing when the file's boxes cannot be walked to say which, or
// when a derived image is built from an item that is no image.
std::optional<QSize> DeclaredCanvas(QIODevice& device);

}  // namespace mirel::picture
