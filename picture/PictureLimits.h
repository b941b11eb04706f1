#pragma once
// The limits every system's picture loader keeps to, so that a file loads, or
// is too large, alike everywhere. long long, as Qt's qint64 is.

namespace mirel {

// The budget for decoding one picture: every buffer the decoder needs for it
// together. The largest needs of real photos: a 24-megapixel HEIC, as phones
// now take, is estimated at 373 MB (it uses 251 MB), and a 48-megapixel
// progressive JPEG in 4:4:4 holds 275 MB of DCT coefficients; other photos
// need a few megabytes. A progressive 12000 x 12000 bomb of under a megabyte
// would hold 412 MB.
inline constexpr long long kPictureMemoryBudget = 384LL << 20;
// Upper bound on the pixels in the file, which bounds decoding time even when
// a JPEG is decoded at an eighth of its size: a 200-megapixel phone photo
// (16320 x 12240) loads.
inline constexpr long long kPictureMaxPixels = 200'000'000;
// No side may be longer, whatever the other: a 1 x 60,000,000 strip is no photo.
inline constexpr int kPictureMaxSide = 65'535;
// A stored size too large to decode, whatever the decoder.
inline constexpr bool BeyondPictureLimits(long long width, long long height) {
  return width > kPictureMaxSide || height > kPictureMaxSide || width * height > kPictureMaxPixels;
}

// No picture the program accepts comes near this many bytes.
inline constexpr long long kPictureMaxFileBytes = 1LL << 30;

}  // namespace mirel
