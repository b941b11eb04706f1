// The picture loader on Windows: the file or bytes handed to the load-and-fit
// policy every system shares (picture/plain/LoadAndFit.cpp), with Windows'
// readers bound (picture/ReadersWindows.cpp).

#include <windows.h>

#include "picture/PictureLoader.h"
#include "picture/ReadersWindows.h"
#include "picture/StreamSource.h"
#include "picture/plain/MemorySource.h"
#include "platform/Utf8Path.h"

namespace mirel {

namespace {

using Microsoft::WRL::ComPtr;

LoadedPicture Fault(PictureFault fault) { return {Bitmap(), fault}; }

LoadedPicture Loaded(picture::Fitted fitted) { return {std::move(fitted.picture), fitted.fault}; }

}  // namespace

LoadedPicture LoadPictureFile(const std::string& path, int boxWidth, int boxHeight,
                              const std::function<bool()>& stillLoading) {
  const std::wstring name = PathFromUtf8(path).wstring();
  WIN32_FILE_ATTRIBUTE_DATA facts;
  if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &facts)) {
    const DWORD error = GetLastError();
    return Fault(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PictureFault::Missing
                                                                                : PictureFault::Unreadable);
  }
  if (facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Fault(PictureFault::Unreadable);

  const ComPtr<IWICImagingFactory> factory = picture::ImagingFactory();
  ComPtr<IWICStream> stream;
  if (!factory || FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromFilename(name.c_str(), GENERIC_READ)))
    return Fault(PictureFault::Unreadable);
  picture::StreamSource source(*stream.Get());
  picture::WicReaders readers([&stream](IWICImagingFactory&) { return ComPtr<IStream>(stream); });
  // Decoded here, so a load runs to its end.
  const picture::Progress progress = [&stillLoading] {
    if (stillLoading) stillLoading();
  };
  return Loaded(picture::LoadAndFit(source, boxWidth, boxHeight, progress, readers));
}

LoadedPicture LoadPictureBytes(std::span<const unsigned char> bytes, int boxWidth, int boxHeight) {
  picture::MemorySource source(bytes);
  picture::WicReaders readers([bytes](IWICImagingFactory& factory) {
    ComPtr<IWICStream> stream;
    // The stream only reads the bytes, whatever its signature says.
    if (bytes.size() > MAXDWORD || FAILED(factory.CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), DWORD(bytes.size()))))
      return ComPtr<IStream>();
    return ComPtr<IStream>(stream);
  });
  return Loaded(picture::LoadAndFit(source, boxWidth, boxHeight, {}, readers));
}

}  // namespace mirel
