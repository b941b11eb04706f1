// The picture loader on Windows. The format is told by the file's first bytes,
// as on Linux (picture/FormatTable.cpp). BMP is read by the program's own
// reader, as on Linux; the Windows Imaging Component decodes the others
// (picture/WicFrame.cpp). The limits are the same (picture/PictureLimits.h).

#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <string_view>

#include "picture/FormatTable.h"
#include "picture/PictureLimits.h"
#include "picture/PictureLoader.h"
#include "picture/StreamSource.h"
#include "picture/WicFrame.h"
#include "picture/plain/BmpDecoder.h"
#include "picture/plain/MemorySource.h"
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

LoadedPicture Decode(IWICImagingFactory& factory, IStream& stream, int boxWidth, int boxHeight,
                     const std::function<void()>& stillLoading) {
  ComPtr<IWICBitmapDecoder> decoder;
  const HRESULT opened =
      factory.CreateDecoderFromStream(&stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
  // The format is ours, but this system has no decoder for it (WebP, HEIC, AVIF).
  if (opened == WINCODEC_ERR_COMPONENTNOTFOUND) return Fault(PictureFault::Unsupported);
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(opened) || FAILED(decoder->GetFrame(0, &frame))) return Fault(PictureFault::Damaged);
  return picture::DecodeFrame(factory, *frame.Get(), boxWidth, boxHeight, stillLoading);
}

// Our own reader's format; WIC decodes every other.
bool IsBmp(const picture::FormatFacts* format) { return format && std::string_view(format->name) == "bmp"; }

// BMP by the steps of the Linux loader (picture/PictureFile.cpp) for a format
// that has no orientation, so that a file loads, or not, alike on both.
LoadedPicture LoadBmp(picture::ByteSource& source, int boxWidth, int boxHeight,
                      const std::function<void()>& stillLoading) {
  picture::BmpDecoder bmp(source);
  int width = 0, height = 0;
  if (const picture::Outcome got = bmp.ReadHeader(width, height); got != picture::Outcome::Ok)
    return Fault(picture::FaultOf(got));
  if (width <= 0 || height <= 0) return Fault(PictureFault::Damaged);
  if (BeyondPictureLimits(width, height)) return Fault(PictureFault::TooLarge);
  const int targetWidth = std::min(width, boxWidth), targetHeight = std::min(height, boxHeight);
  if (bmp.EstimateBytes() > kPictureMemoryBudget) return Fault(PictureFault::TooLarge);
  Bitmap squeezed;
  if (const picture::Outcome got = bmp.Decode(targetWidth, targetHeight, stillLoading, squeezed);
      got != picture::Outcome::Ok)
    return Fault(picture::FaultOf(got));
  if (squeezed.Width() != targetWidth || squeezed.Height() != targetHeight) return Fault(PictureFault::Damaged);
  return {std::move(squeezed), PictureFault::None};
}

// Everything after the stream is open: the format by its first bytes, then
// the decoder.
LoadedPicture LoadStream(IWICImagingFactory& factory, IStream& stream, std::string_view head, int boxWidth,
                         int boxHeight, const std::function<void()>& stillLoading) {
  const picture::FormatFacts* format = picture::Recognise(head);
  if (!format) {
    // Only to choose the message: another format this system decodes.
    ComPtr<IWICBitmapDecoder> other;
    const bool otherPicture =
        SUCCEEDED(factory.CreateDecoderFromStream(&stream, nullptr, WICDecodeMetadataCacheOnDemand, &other));
    return Fault(otherPicture ? PictureFault::Unsupported : PictureFault::NotAPicture);
  }
  const LARGE_INTEGER start{};
  if (FAILED(stream.Seek(start, STREAM_SEEK_SET, nullptr))) return Fault(PictureFault::Unreadable);
  if (IsBmp(format)) {
    picture::StreamSource source(stream);
    return LoadBmp(source, boxWidth, boxHeight, stillLoading);
  }
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
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                              std::min<std::size_t>(bytes.size(), picture::kHeadBytes));
  // The built-in pictures are BMPs: read without COM, which the start need
  // not wait for.
  if (IsBmp(picture::Recognise(head))) {
    picture::MemorySource source(bytes);
    return LoadBmp(source, boxWidth, boxHeight, {});
  }
  const ComPtr<IWICImagingFactory> factory = Factory();
  ComPtr<IWICStream> stream;
  // The stream only reads the bytes, whatever its signature says.
  if (!factory || FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), DWORD(bytes.size()))))
    return Fault(PictureFault::Unreadable);
  return LoadStream(*factory.Get(), *stream.Get(), head, boxWidth, boxHeight, {});
}

}  // namespace mirel
