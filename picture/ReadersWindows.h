#pragma once
// The readers Windows binds to the table's rows: the program's own BMP reader
// and the Windows Imaging Component for the rest.

#include <wincodec.h>
#include <wrl/client.h>

#include <functional>

#include "picture/plain/LoadAndFit.h"

namespace mirel::picture {

// The system's picture decoders for this thread, with COM joined for it the
// first time; null when they cannot be had.
Microsoft::WRL::ComPtr<IWICImagingFactory> ImagingFactory();

class WicReaders final : public Readers {
 public:
  // The stream the system's decoders read, made the first time one is needed:
  // BMP needs none, so a built-in picture waits for no COM.
  using MakeStream = std::function<Microsoft::WRL::ComPtr<IStream>(IWICImagingFactory& factory)>;
  explicit WicReaders(MakeStream makeStream) : makeStream_(std::move(makeStream)) {}

  std::unique_ptr<FrameReader> Open(const FormatFacts& format, ByteSource& source) override;
  bool IsOtherPicture(ByteSource& source) override;

 private:
  bool Ready();

  MakeStream makeStream_;
  Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;
  Microsoft::WRL::ComPtr<IStream> stream_;
};

}  // namespace mirel::picture
