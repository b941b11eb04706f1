// The picture loader on Windows: a file the player picked goes to the sealed
// decoder (picture/SealedDecodeWindows.cpp), which hands its bytes, as the
// built-in pictures' are handed here, to the load-and-fit policy every system
// shares (picture/plain/LoadAndFit.cpp), with Windows' readers bound
// (picture/ReadersWindows.cpp).

#include <windows.h>

#include "picture/PictureLoader.h"
#include "picture/ReadersWindows.h"
#include "picture/SealedDecode.h"
#include "picture/plain/MemorySource.h"
#include "platform/Utf8Path.h"

namespace mirel {

namespace {

using Microsoft::WRL::ComPtr;

LoadedPicture Fault(PictureFault fault) { return {Bitmap(), fault}; }

}  // namespace

LoadedPicture LoadPictureFile(const std::string& path, int boxWidth, int boxHeight,
                              const std::function<bool()>& stillLoading) {
  const std::wstring name = PathFromUtf8(path).wstring();
  // Shared with writers too, as the system's viewers open pictures.
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return Fault(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PictureFault::Missing
                                                                                : PictureFault::Unreadable);
  }
  // A folder does not open; a device or a pipe under the name is no picture.
  LoadedPicture loaded = GetFileType(file) == FILE_TYPE_DISK
                             ? picture::DecodeSealed(file, boxWidth, boxHeight, stillLoading)
                             : Fault(PictureFault::Unreadable);
  CloseHandle(file);
  return loaded;
}

void PrepareToLoadPictureFile(int boxWidth, int boxHeight) { picture::PrepareSealed(boxWidth, boxHeight); }

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
  picture::Fitted fitted = picture::LoadAndFit(source, boxWidth, boxHeight, {}, readers);
  return {std::move(fitted.picture), fitted.fault};
}

}  // namespace mirel
