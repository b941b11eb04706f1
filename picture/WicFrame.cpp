#include "WicFrame.h"

#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "picture/PictureLimits.h"
#include "picture/WicSourceTransform.h"
#include "picture/plain/ReducedScale.h"
#include "picture/plain/Squeeze.h"

namespace mirel::picture {

namespace {

using Microsoft::WRL::ComPtr;

long long BitsPerPixel(IWICImagingFactory& factory, const WICPixelFormatGUID& format) {
  ComPtr<IWICComponentInfo> info;
  ComPtr<IWICPixelFormatInfo> pixel;
  UINT bits = 0;
  if (FAILED(factory.CreateComponentInfo(format, &info)) || FAILED(info.As(&pixel)) ||
      FAILED(pixel->GetBitsPerPixel(&bits)))
    return 0;
  return bits;
}

// The frame as its decoder gives it natively at a reduced scale, halved as
// often as the shared rule allows (picture/plain/ReducedScale.h). Decoders
// that scale do so by halves, so those are the sizes asked for; the answer is
// only a size the decoder offers, and is checked.
struct Reduced {
  Outcome outcome = Outcome::Ok;
  ComPtr<IWICBitmapSource> source;  // null when the decoder offers no smaller size
  UINT width = 0, height = 0;
};

Reduced DecodeReduced(IWICImagingFactory& factory, IWICBitmapFrameDecode& frame, UINT width, UINT height,
                      UINT targetWidth, UINT targetHeight) {
  Reduced reduced;
  ComPtr<IWICBitmapSourceTransform> transform;
  if (FAILED(frame.QueryInterface(IID_PPV_ARGS(&transform)))) return reduced;
  UINT w = 0, h = 0;
  for (int shift = ReducedHalvings(width, height, targetWidth, targetHeight); shift >= 1 && w == 0; --shift) {
    UINT askW = ((width - 1) >> shift) + 1, askH = ((height - 1) >> shift) + 1;
    if (FAILED(transform->GetClosestSize(&askW, &askH))) return reduced;
    if (askW >= targetWidth && askH >= targetHeight && askW <= width && askH <= height &&
        (askW < width || askH < height))
      w = askW, h = askH;
  }
  if (w == 0) return reduced;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppPBGRA;
  if (FAILED(transform->GetClosestPixelFormat(&format))) return reduced;
  const long long bits = BitsPerPixel(factory, format);
  if (bits <= 0) return reduced;
  // The reduced picture in the decoder's format, and the copy the squeeze reads.
  const long long stride = (w * bits + 31) / 32 * 4;
  if (stride * h + 4LL * w * h > kPictureMemoryBudget) {
    reduced.outcome = Outcome::TooLarge;
    return reduced;
  }
  ComPtr<IWICBitmap> bitmap;
  ComPtr<IWICBitmapLock> lock;
  const WICRect all = {0, 0, INT(w), INT(h)};
  UINT lockedBytes = 0, lockedStride = 0;
  BYTE* pixels = nullptr;
  if (FAILED(factory.CreateBitmap(w, h, format, WICBitmapCacheOnLoad, &bitmap)) ||
      FAILED(bitmap->Lock(&all, WICBitmapLockWrite, &lock)) || FAILED(lock->GetStride(&lockedStride)) ||
      FAILED(lock->GetDataPointer(&lockedBytes, &pixels))) {
    reduced.outcome = Outcome::TooLarge;  // no memory for it
    return reduced;
  }
  if (FAILED(transform->CopyPixels(nullptr, w, h, &format, WICBitmapTransformRotate0, lockedStride,
                                   lockedBytes, pixels))) {
    reduced.outcome = Outcome::Damaged;
    return reduced;
  }
  lock.Reset();
  reduced.source = bitmap;
  reduced.width = w;
  reduced.height = h;
  return reduced;
}

}  // namespace

Outcome DecodeFrame(IWICImagingFactory& factory, IWICBitmapFrameDecode& frame, int targetWidth,
                    int targetHeight, const Progress& progress, Bitmap& out) {
  UINT width = 0, height = 0;
  if (FAILED(frame.GetSize(&width, &height)) || width == 0 || height == 0) return Outcome::Damaged;
  if (BeyondPictureLimits(width, height)) return Outcome::TooLarge;
  if (targetWidth <= 0 || targetHeight <= 0 || UINT(targetWidth) > width || UINT(targetHeight) > height)
    return Outcome::Damaged;

  Reduced reduced = DecodeReduced(factory, frame, width, height, UINT(targetWidth), UINT(targetHeight));
  if (reduced.outcome != Outcome::Ok) return reduced.outcome;
  IWICBitmapSource* source = &frame;
  if (reduced.source) {
    source = reduced.source.Get();
    width = reduced.width;
    height = reduced.height;
    if (progress) progress();
  }
  // The system's decoders hold the decoded picture whole.
  if (static_cast<long long>(width) * height * 4 > kPictureMemoryBudget) return Outcome::TooLarge;

  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory.CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                   0.0, WICBitmapPaletteTypeCustom)))
    return Outcome::Damaged;
  // In bands through the squeeze every reader shares, so a long load can tell
  // the player it is still going.
  constexpr UINT kBand = 256;
  const UINT stride = width * 4;
  std::vector<std::uint32_t> band(std::size_t(width) * std::min(kBand, height));
  Bitmap fitted(targetWidth, targetHeight);
  Squeeze squeeze(int(width), int(height), targetWidth, targetHeight, fitted.Data(), std::size_t(targetWidth),
                  progress);
  for (UINT top = 0; top < height; top += kBand) {
    const UINT rows = std::min(kBand, height - top);
    const WICRect part = {0, INT(top), INT(width), INT(rows)};
    if (FAILED(converter->CopyPixels(&part, stride, stride * rows, reinterpret_cast<BYTE*>(band.data()))))
      return Outcome::Damaged;
    for (UINT y = 0; y < rows; ++y) squeeze.AddRow(&band[std::size_t(y) * width], true);
    if (progress) progress();
  }
  if (!squeeze.Complete()) return Outcome::Damaged;
  out = std::move(fitted);
  return Outcome::Ok;
}

}  // namespace mirel::picture
