#include "DecoderIo.h"

#include <windows.h>

#include <cstdint>
#include <span>

#include "picture/FormatTable.h"
#include "picture/ReadersWindows.h"

namespace mirel::picture {

void LoadEverythingFirst() {
  // COM and the imaging component, with its list of decoders.
  for (const FormatFacts& format : FormatTable()) SystemReads(format);
}

std::optional<LoadedPicture> DecodeSentFile(int boxWidth, int boxHeight) {
  // The game puts the file's handle into this process and sends its value.
  std::uint64_t value = 0;
  DWORD got = 0;
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), &value, sizeof value, &got, nullptr) || got != sizeof value)
    return std::nullopt;
  const HANDLE file = reinterpret_cast<HANDLE>(value);
  // The file is read where it lies, mapped: its bytes are not the process's
  // own memory, which the job limits.
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return LoadedPicture{Bitmap(), PictureFault::Unreadable};
  if (size.QuadPart == 0) return LoadPictureBytes({}, boxWidth, boxHeight);
  const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!mapping) return LoadedPicture{Bitmap(), PictureFault::Unreadable};
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(mapping);
  if (!view) return LoadedPicture{Bitmap(), PictureFault::Unreadable};
  LoadedPicture loaded = LoadPictureBytes(
      std::span(static_cast<const unsigned char*>(view), std::size_t(size.QuadPart)), boxWidth, boxHeight);
  UnmapViewOfFile(view);
  return loaded;
}

bool WriteReply(const std::string& bytes) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  for (std::size_t at = 0; at < bytes.size();) {
    DWORD wrote = 0;
    const DWORD n = DWORD(std::min<std::size_t>(bytes.size() - at, 1 << 20));
    if (!WriteFile(out, bytes.data() + at, n, &wrote, nullptr) || wrote == 0) return false;
    at += wrote;
  }
  return true;
}

}  // namespace mirel::picture
