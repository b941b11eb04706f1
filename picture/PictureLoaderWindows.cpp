// The picture loader on Windows. The format is told by the file's first bytes,
// as on Linux (picture/FormatTable.cpp), and the limits are the same
// (picture/PictureLimits.h); the Windows Imaging Component decodes, and the
// squeeze into the box is the program's own exact area average.

#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "picture/FormatTable.h"
#include "picture/PictureLimits.h"
#include "picture/PictureLoader.h"
#include "platform/AreaAverage.h"
#include "platform/Surface.h"
#include "platform/Utf8Path.h"

namespace mirel {

namespace {

using Microsoft::WRL::ComPtr;

// COM for this thread, joined the first time a picture loads on it and left
// when the thread ends. A thread whose COM runs multithreaded serves as well.
class ComJoined {
 public:
  ComJoined() : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComJoined() {
    if (joined_) CoUninitialize();
  }
  ComJoined(const ComJoined&) = delete;
  ComJoined& operator=(const ComJoined&) = delete;

 private:
  bool joined_;
};

void JoinCom() { thread_local const ComJoined joined; }

LoadedPicture Fault(PictureFault fault) { return {Bitmap(), fault}; }

// The EXIF orientation, 1..8, where the decoder exposes it; 1 otherwise.
int OrientationOf(IWICBitmapFrameDecode& frame) {
  ComPtr<IWICMetadataQueryReader> metadata;
  if (FAILED(frame.GetMetadataQueryReader(&metadata))) return 1;
  PROPVARIANT value;
  PropVariantInit(&value);
  int orientation = 1;
  if (SUCCEEDED(metadata->GetMetadataByName(L"System.Photo.Orientation", &value)) && value.vt == VT_UI2 &&
      value.uiVal >= 1 && value.uiVal <= 8)
    orientation = value.uiVal;
  PropVariantClear(&value);
  return orientation;
}

bool Turns(int orientation) { return orientation >= 5; }

// The picture as it is meant to be seen, from its pixels as stored.
Bitmap Upright(const Bitmap& stored, int orientation) {
  if (orientation == 1) return stored;
  const int w = stored.Width(), h = stored.Height();
  Bitmap out = Turns(orientation) ? Bitmap(h, w) : Bitmap(w, h);
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) {
      int sx = x, sy = y;
      switch (orientation) {
        case 2:
          sx = w - 1 - x;
          break;
        case 3:
          sx = w - 1 - x, sy = h - 1 - y;
          break;
        case 4:
          sy = h - 1 - y;
          break;
        case 5:
          sx = y, sy = x;
          break;
        case 6:
          sx = y, sy = h - 1 - x;
          break;
        case 7:
          sx = w - 1 - y, sy = h - 1 - x;
          break;
        default:
          sx = w - 1 - y, sy = x;
          break;  // 8
      }
      out.SetPixel(x, y, stored.Pixel(sx, sy));
    }
  return out;
}

// Premultiplied pixels laid over the face colour, as the box behind the
// picture would show through its transparent parts.
void OverFace(std::uint32_t* row, int width) {
  for (int i = 0; i < width; ++i) {
    const std::uint32_t p = row[i], a = p >> 24;
    if (a == 255) continue;
    std::uint32_t c = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const std::uint32_t s = (p >> shift) & 255, f = (kFaceColour >> shift) & 255;
      c |= std::min<std::uint32_t>(255, s + (f * (255 - a) + 127) / 255) << shift;
    }
    row[i] = c;
  }
}

LoadedPicture Decode(IWICImagingFactory& factory, IStream& stream, int boxWidth, int boxHeight,
                     const std::function<void()>& stillLoading) {
  ComPtr<IWICBitmapDecoder> decoder;
  const HRESULT opened =
      factory.CreateDecoderFromStream(&stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
  // The format is ours, but this system has no decoder for it (WebP, HEIC, AVIF).
  if (opened == WINCODEC_ERR_COMPONENTNOTFOUND) return Fault(PictureFault::Unsupported);
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT width = 0, height = 0;
  if (FAILED(opened) || FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&width, &height)) ||
      width == 0 || height == 0)
    return Fault(PictureFault::Damaged);
  if (width > UINT(kPictureMaxSide) || height > UINT(kPictureMaxSide) ||
      static_cast<long long>(width) * height > kPictureMaxPixels)
    return Fault(PictureFault::TooLarge);

  const int orientation = OrientationOf(*frame.Get());
  const bool turned = Turns(orientation);
  // The fitted size, in the stored orientation.
  const UINT targetWidth = std::min<UINT>(width, UINT(turned ? boxHeight : boxWidth));
  const UINT targetHeight = std::min<UINT>(height, UINT(turned ? boxWidth : boxHeight));
  if (targetWidth == 0 || targetHeight == 0) return Fault(PictureFault::Damaged);
  // The decoded picture is held whole before its squeeze. (The decoders'
  // reduced scales, IWICBitmapSourceTransform, are not in mingw-w64's headers.)
  if (static_cast<long long>(width) * height * 4 > kPictureMemoryBudget) return Fault(PictureFault::TooLarge);

  Bitmap decoded{static_cast<int>(width), static_cast<int>(height)};
  const UINT stride = width * 4;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory.CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom)))
    return Fault(PictureFault::Damaged);
  // In bands, so a long load can tell the player it is still going.
  constexpr UINT kBand = 256;
  for (UINT top = 0; top < height; top += kBand) {
    const UINT rows = std::min(kBand, height - top);
    const WICRect band = {0, INT(top), INT(width), INT(rows)};
    if (FAILED(converter->CopyPixels(&band, stride, stride * rows,
                                     reinterpret_cast<BYTE*>(decoded.Row(int(top))))))
      return Fault(PictureFault::Damaged);
    if (stillLoading) stillLoading();
  }
  for (int y = 0; y < decoded.Height(); ++y) OverFace(decoded.Row(y), decoded.Width());
  Bitmap fitted =
      width == targetWidth && height == targetHeight
          ? std::move(decoded)
          : AreaAverage(decoded, 0, 0, int(width), int(height), int(targetWidth), int(targetHeight));
  return {Upright(fitted, orientation), PictureFault::None};
}

// Everything after the stream is open: the format by its first bytes, then
// the decoder.
LoadedPicture LoadStream(IWICImagingFactory& factory, IStream& stream, std::string_view head, int boxWidth,
                         int boxHeight, const std::function<void()>& stillLoading) {
  if (!picture::Recognise(head)) {
    // Only to choose the message: another format this system decodes.
    ComPtr<IWICBitmapDecoder> other;
    const bool otherPicture =
        SUCCEEDED(factory.CreateDecoderFromStream(&stream, nullptr, WICDecodeMetadataCacheOnDemand, &other));
    return Fault(otherPicture ? PictureFault::Unsupported : PictureFault::NotAPicture);
  }
  const LARGE_INTEGER start{};
  if (FAILED(stream.Seek(start, STREAM_SEEK_SET, nullptr))) return Fault(PictureFault::Unreadable);
  return Decode(factory, stream, boxWidth, boxHeight, stillLoading);
}

ComPtr<IWICImagingFactory> Factory() {
  JoinCom();
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(
          CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
    return nullptr;
  return factory;
}

}  // namespace

LoadedPicture LoadPictureFile(const std::string& path, int boxWidth, int boxHeight,
                              const std::function<void()>& stillLoading) {
  const std::wstring name = PathFromUtf8(path).wstring();
  WIN32_FILE_ATTRIBUTE_DATA facts;
  if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &facts)) {
    const DWORD error = GetLastError();
    return Fault(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PictureFault::Missing
                                                                                : PictureFault::Unreadable);
  }
  if (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Fault(PictureFault::Unreadable);
  const long long size = static_cast<long long>(facts.nFileSizeHigh) << 32 | facts.nFileSizeLow;
  if (size == 0) return Fault(PictureFault::Empty);
  if (size > kPictureMaxFileBytes) return Fault(PictureFault::TooLarge);

  const ComPtr<IWICImagingFactory> factory = Factory();
  ComPtr<IWICStream> stream;
  if (!factory || FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromFilename(name.c_str(), GENERIC_READ)))
    return Fault(PictureFault::Unreadable);
  char head[picture::kHeadBytes];
  ULONG got = 0;
  if (FAILED(stream->Read(head, sizeof head, &got))) return Fault(PictureFault::Unreadable);
  return LoadStream(*factory.Get(), *stream.Get(), std::string_view(head, got), boxWidth, boxHeight,
                    stillLoading);
}

LoadedPicture LoadPictureBytes(std::span<const unsigned char> bytes, int boxWidth, int boxHeight) {
  if (bytes.empty()) return Fault(PictureFault::Empty);
  if (bytes.size() > std::size_t(kPictureMaxFileBytes)) return Fault(PictureFault::TooLarge);
  const ComPtr<IWICImagingFactory> factory = Factory();
  ComPtr<IWICStream> stream;
  // The stream only reads the bytes, whatever its signature says.
  if (!factory || FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), DWORD(bytes.size()))))
    return Fault(PictureFault::Unreadable);
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                              std::min<std::size_t>(bytes.size(), picture::kHeadBytes));
  return LoadStream(*factory.Get(), *stream.Get(), head, boxWidth, boxHeight, {});
}

}  // namespace mirel
