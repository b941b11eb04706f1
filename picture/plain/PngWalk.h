#pragma once
// Our own walk of a PNG file's chunks from its header to its first image
// data, before any decoder sees the file.

#include <functional>
#include <string_view>

#include "ByteSource.h"
#include "Decoding.h"

namespace mirel::picture {

// Hands each chunk before the first image data to visit (its type, where its
// data starts, its data's bytes), until visit returns true. Damaged when the
// file does not start a PNG, a chunk runs past the file's end or the file
// ends before its image data; TooLarge after more chunks than any picture
// carries.
Outcome WalkPngChunks(ByteSource& source,
                      const std::function<bool(std::string_view type, long long at, long long length)>& visit);

// The walk, with the header chunk checked: Damaged when it is not first or
// not a header a decoder takes; TooLarge when the picture is beyond the limits.
Outcome PngFits(ByteSource& source);

}  // namespace mirel::picture
