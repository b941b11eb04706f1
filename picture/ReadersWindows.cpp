// The readers of the table's rows on Windows. BMP is read by the program's
// own reader, as on Linux; the Windows Imaging Component decodes the others
// (picture/WicFrame.cpp), where this system has a decoder for them.

#include "ReadersWindows.h"

#include <objbase.h>

#include <algorithm>
#include <string>

#include "picture/WicFrame.h"
#include "picture/plain/BmpDecoder.h"

namespace mirel::picture {

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

bool Rewind(IStream& stream) {
  const LARGE_INTEGER start{};
  return SUCCEEDED(stream.Seek(start, STREAM_SEEK_SET, nullptr));
}

class WicFrameReader final : public FrameReader {
 public:
  WicFrameReader(IWICImagingFactory& factory, IStream& stream) : factory_(factory), stream_(stream) {}

  Outcome ReadHeader(FrameHeader& header) override {
    if (!Rewind(stream_)) return Outcome::Damaged;
    ComPtr<IWICBitmapDecoder> decoder;
    const HRESULT opened =
        factory_.CreateDecoderFromStream(&stream_, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
    // The format is ours, but this system has no decoder for it (WebP, HEIC, AVIF).
    if (opened == WINCODEC_ERR_COMPONENTNOTFOUND) return Outcome::Unsupported;
    UINT width = 0, height = 0;
    if (FAILED(opened) || FAILED(decoder->GetFrame(0, &frame_)) || FAILED(frame_->GetSize(&width, &height)))
      return Outcome::Damaged;
    header.width = int(std::min<UINT>(width, 1U << 30));
    header.height = int(std::min<UINT>(height, 1U << 30));
    return Outcome::Ok;
  }

  // What the decoder needs is known only as it decodes, which refuses more
  // than the budget itself.
  long long EstimateBytes(int, int) override { return 0; }

  Outcome Decode(int targetWidth, int targetHeight, const Progress& progress, Bitmap& out) override {
    if (!frame_) return Outcome::Damaged;
    return DecodeFrame(factory_, *frame_.Get(), targetWidth, targetHeight, progress, out);
  }

 private:
  IWICImagingFactory& factory_;
  IStream& stream_;
  ComPtr<IWICBitmapFrameDecode> frame_;
};

}  // namespace

ComPtr<IWICImagingFactory> ImagingFactory() {
  thread_local const ComJoined joined;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
    return nullptr;
  return factory;
}

bool WicReaders::Ready() {
  if (stream_) return true;
  if (!factory_) factory_ = ImagingFactory();
  if (factory_) stream_ = makeStream_(*factory_.Get());
  return stream_ != nullptr;
}

std::unique_ptr<FrameReader> WicReaders::Open(const FormatFacts& format, ByteSource& source) {
  switch (format.format) {
    case Format::Bmp:
      return std::make_unique<BmpDecoder>(source);
    case Format::Gif:
    case Format::Jpeg:
    case Format::Png:
    case Format::Webp:
    case Format::Heic:
    case Format::Avif:
    case Format::Tiff:
      break;
  }
  if (!Ready()) return nullptr;
  return std::make_unique<WicFrameReader>(*factory_.Get(), *stream_.Get());
}

bool WicReaders::IsOtherPicture(ByteSource&) {
  ComPtr<IWICBitmapDecoder> other;
  return Ready() && Rewind(*stream_.Get()) &&
         SUCCEEDED(factory_->CreateDecoderFromStream(stream_.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &other));
}

bool SystemReads(const FormatFacts& format) {
  if (format.format == Format::Bmp) return true;
  const ComPtr<IWICImagingFactory> factory = ImagingFactory();
  ComPtr<IEnumUnknown> decoders;
  if (!factory || FAILED(factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, &decoders)))
    return false;
  const std::wstring wanted(format.mimeType, format.mimeType + std::char_traits<char>::length(format.mimeType));
  ComPtr<IUnknown> each;
  while (decoders->Next(1, &each, nullptr) == S_OK) {
    ComPtr<IWICBitmapDecoderInfo> info;
    UINT length = 0;
    if (SUCCEEDED(each.As(&info)) && SUCCEEDED(info->GetMimeTypes(0, nullptr, &length)) && length > 0) {
      // A comma-separated list, such as "image/jpeg,image/jpe,image/jpg".
      std::wstring types(length, L'\0');
      if (SUCCEEDED(info->GetMimeTypes(length, types.data(), &length))) {
        types.resize(types.find(L'\0') == std::wstring::npos ? types.size() : types.find(L'\0'));
        for (std::size_t at = 0; at <= types.size();) {
          const std::size_t end = std::min(types.find(L',', at), types.size());
          if (types.compare(at, end - at, wanted) == 0) return true;
          at = end + 1;
        }
      }
    }
    each.Reset();
  }
  return false;
}

}  // namespace mirel::picture
