// The readers of the table's rows in the web page. BMP is read by the
// program's own reader, as on the desktop; the browser decodes the rest that
// it can (web/page/pictures.js). The browser turns a photo upright by its
// EXIF orientation as it decodes, so its reader hands the picture back as it
// lies in the file, for the same turn every system makes afterwards.

#include <emscripten.h>

#include <cstdint>
#include <vector>

#include "picture/FormatTable.h"
#include "picture/PictureLimits.h"
#include "picture/PictureLoader.h"
#include "picture/plain/BmpDecoder.h"
#include "picture/plain/LoadAndFit.h"
#include "picture/plain/MemorySource.h"
#include "picture/plain/Orientation.h"
#include "picture/plain/Squeeze.h"
#include "platform/FileBytes.h"

namespace mirel {
namespace picture {
namespace {

EM_JS(int, PageReads, (const char* mimeType), { return window.mirelPictures.reads(UTF8ToString(mimeType)); });
// Decodes the whole file; its upright size, or 0 when the browser cannot.
EM_ASYNC_JS(int, PageDecode, (const unsigned char* bytes, int length, const char* mimeType, int* size), {
  const decoded =
      await window.mirelPictures.decode(HEAPU8.slice(bytes, bytes + length), UTF8ToString(mimeType));
  if (!decoded) return 0;
  HEAP32[size >> 2] = decoded[0];
  HEAP32[(size >> 2) + 1] = decoded[1];
  return 1;
});
// Rows of the decoded picture, 0xAARRGGBB.
EM_JS(void, PageRows, (int top, int count, std::uint32_t* out), {
  window.mirelPictures.rows(top, count, HEAPU8.subarray(out, out + count * 4 * window.mirelPictures.width()));
});
EM_JS(void, PageDrop, (), { window.mirelPictures.drop(); });

// The turn that undoes an orientation's.
int Undoing(int orientation) {
  if (orientation == 6) return 8;
  if (orientation == 8) return 6;
  return orientation;
}

class BrowserReader final : public FrameReader {
 public:
  BrowserReader(const FormatFacts& format, ByteSource& source) : format_(format), source_(source) {}
  ~BrowserReader() override { PageDrop(); }
  BrowserReader(const BrowserReader&) = delete;
  BrowserReader& operator=(const BrowserReader&) = delete;

  Outcome ReadHeader(FrameHeader& header) override {
    orientation_ = ReadOrientation(format_.format, source_);
    const long long size = source_.Size();
    std::vector<unsigned char> bytes(std::size_t(size > 0 ? size : 0));
    if (!source_.Seek(0) || source_.Read(bytes.data(), size) != size) return Outcome::Damaged;
    int upright[2] = {0, 0};
    if (!PageDecode(bytes.data(), int(bytes.size()), format_.mimeType, upright)) return Outcome::Damaged;
    width_ = upright[0];
    height_ = upright[1];
    header = Turns(orientation_) ? FrameHeader{height_, width_} : FrameHeader{width_, height_};
    return Outcome::Ok;
  }

  // The browser holds the whole picture; the page reads it a band of rows at a time.
  long long EstimateBytes(int, int) override { return 4LL * width_ * height_; }

  Outcome Decode(int targetWidth, int targetHeight, const Progress& progress, Bitmap& out) override {
    const bool turned = Turns(orientation_);
    Bitmap upright(turned ? targetHeight : targetWidth, turned ? targetWidth : targetHeight);
    Squeeze squeeze(width_, height_, upright.Width(), upright.Height(), upright.Data(),
                    std::size_t(upright.Width()), progress);
    if (!squeeze.Valid()) return Outcome::Damaged;
    constexpr int kBand = 64;
    std::vector<std::uint32_t> rows(std::size_t(width_) * kBand);
    for (int top = 0; top < height_; top += kBand) {
      const int count = std::min(kBand, height_ - top);
      PageRows(top, count, rows.data());
      for (int y = 0; y < count; ++y) squeeze.AddRow(rows.data() + std::size_t(y) * std::size_t(width_));
    }
    if (!squeeze.Complete()) return Outcome::Damaged;
    out = Upright(upright, Undoing(orientation_));
    return Outcome::Ok;
  }

 private:
  const FormatFacts& format_;
  ByteSource& source_;
  int orientation_ = 1;
  int width_ = 0, height_ = 0;
};

class WebReaders final : public Readers {
 public:
  std::unique_ptr<FrameReader> Open(const FormatFacts& format, ByteSource& source) override {
    if (format.format == Format::Bmp) return std::make_unique<BmpDecoder>(source);
    if (!SystemReads(format)) return nullptr;
    return std::make_unique<BrowserReader>(format, source);
  }
  bool IsOtherPicture(ByteSource&) override { return false; }
};

}  // namespace

bool SystemReads(const FormatFacts& format) {
  return format.format == Format::Bmp || PageReads(format.mimeType);
}

}  // namespace picture

LoadedPicture LoadPictureFile(const std::string& path, int boxWidth, int boxHeight,
                              const std::function<bool()>&) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return {Bitmap(), PictureFault::Missing};
  const std::optional<std::string> bytes = ReadFileBytes(path, std::uintmax_t(kPictureMaxFileBytes));
  if (!bytes) return {Bitmap(), PictureFault::Unreadable};
  return LoadPictureBytes({reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size()}, boxWidth,
                          boxHeight);
}

void PrepareToLoadPictureFile(int, int) {}

LoadedPicture LoadPictureBytes(std::span<const unsigned char> bytes, int boxWidth, int boxHeight) {
  picture::MemorySource source(bytes);
  picture::WebReaders readers;
  picture::Fitted fitted = picture::LoadAndFit(source, boxWidth, boxHeight, {}, readers);
  return {std::move(fitted.picture), fitted.fault};
}

}  // namespace mirel
