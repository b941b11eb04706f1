// TIFF through libtiff's RGBA interface, which knows every photometric kind
// (palette, grey, 16-bit, CMYK, YCbCr, alpha). It is asked for one band of
// strips or tiles at a time, in the file's own row order, so only a band is
// ever held; the orientation tag is applied after the squeeze like EXIF's.
// libtiff reads the data of every entry of a directory as it opens it, so it
// is shown the first directory with only the entries decoding needs
// (picture/plain/TiffWalk.h).

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <tiffio.h>

#include "Reader.h"
#include "Squeezer.h"
#include "picture/PictureFile.h"
#include "picture/QtByteSource.h"
#include "picture/plain/TiffWalk.h"

namespace mirel::picture {

namespace {

// The file as libtiff sees it: the device, with the trimmed directory in place
// of the first one.
struct Shown {
  QIODevice& device;
  long long at = 0;
  std::string directory;
};

tsize_t ReadProc(thandle_t handle, tdata_t data, tsize_t size) {
  Shown& shown = *static_cast<Shown*>(handle);
  const long long from = shown.device.pos();
  const long long got = shown.device.read(static_cast<char*>(data), qint64(size));
  const long long start = std::max(from, shown.at);
  const long long end = std::min(from + got, shown.at + static_cast<long long>(shown.directory.size()));
  if (start < end)
    std::memcpy(static_cast<char*>(data) + (start - from), shown.directory.data() + (start - shown.at),
                std::size_t(end - start));
  return tsize_t(got);
}
tsize_t WriteProc(thandle_t, tdata_t, tsize_t) { return -1; }
toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  QIODevice* device = &static_cast<Shown*>(handle)->device;
  qint64 to = qint64(offset);
  if (whence == SEEK_CUR) to += device->pos();
  if (whence == SEEK_END) to += device->size();
  if (to < 0 || !device->seek(to)) return toff_t(-1);
  return toff_t(to);
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return toff_t(static_cast<Shown*>(handle)->device.size()); }
int MapProc(thandle_t, tdata_t*, toff_t*) { return 0; }
void UnmapProc(thandle_t, tdata_t, toff_t) {}

// libtiff reports through these; a failed call is what we act on.
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

class TiffReader final : public Reader {
 public:
  explicit TiffReader(QIODevice& device) : shown_{device, 0, {}} {
    QtByteSource source(device);
    TiffDirectory directory;
    if (!ReadTiffDirectory(source, directory) || !device.seek(0)) return;
    shown_.at = directory.at;
    shown_.directory = TrimmedTiffDirectory(directory);
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return;
    TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(kPictureMemoryBudget / 2));
    // "m": read through the device, never map the file.
    tiff_ = TIFFClientOpenExt("picture", "rm", &shown_, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                              MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
  }
  ~TiffReader() override {
    if (begun_) TIFFRGBAImageEnd(&image_);
    if (tiff_) TIFFClose(tiff_);
  }
  TiffReader(const TiffReader&) = delete;
  TiffReader& operator=(const TiffReader&) = delete;

  Outcome ReadHeader(Header& header) override {
    if (!tiff_) return Outcome::Damaged;
    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tiff_, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff_, TIFFTAG_IMAGELENGTH, &height))
      return Outcome::Damaged;
    header.stored =
        QSize(int(std::min<std::uint32_t>(width, 1 << 30)), int(std::min<std::uint32_t>(height, 1 << 30)));
    std::uint32_t band = 0;
    if (TIFFIsTiled(tiff_)) {
      TIFFGetField(tiff_, TIFFTAG_TILELENGTH, &band);
      chunkBytes_ = qint64(TIFFTileSize64(tiff_)) * 2;
    } else {
      TIFFGetFieldDefaulted(tiff_, TIFFTAG_ROWSPERSTRIP, &band);
      chunkBytes_ = qint64(TIFFStripSize64(tiff_)) * 2;
    }
    band_ = int(std::clamp<std::uint32_t>(band, 1, std::max<std::uint32_t>(height, 1)));
    return Outcome::Ok;
  }

  qint64 EstimateBytes(QSize) override {
    // One band of RGBA, and a strip or tile as stored and unpacked.
    return qint64(band_) * (qint64(TIFFScanlineSize64(tiff_)) + 4 * qint64(Width())) + chunkBytes_;
  }

  Outcome Decode(QSize target, const Progress& progress, QImage& out) override {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff_, message)) return Outcome::Unsupported;
    if (!TIFFRGBAImageBegin(&image_, tiff_, 0, message)) return Outcome::Damaged;
    begun_ = true;
    // Rows come in the order they are stored; the policy turns the picture upright.
    image_.req_orientation = image_.orientation;
    const QSize size(int(image_.width), int(image_.height));
    if (size.width() != Width()) return Outcome::Damaged;
    Squeezer squeezer(size, target, progress);
    const bool premultiplied = image_.alpha != 0;
    std::vector<std::uint32_t> band(std::size_t(size.width()) * std::size_t(band_));
    for (int y = 0; y < size.height(); y += band_) {
      const int rows = std::min(band_, size.height() - y);
      image_.row_offset = y;
      image_.col_offset = 0;
      if (!TIFFRGBAImageGet(&image_, band.data(), std::uint32_t(size.width()), std::uint32_t(rows)))
        return Outcome::Damaged;
      for (int r = 0; r < rows; ++r) {
        std::uint32_t* line = &band[std::size_t(r) * std::size_t(size.width())];
        for (int x = 0; x < size.width(); ++x) {  // ABGR to ARGB
          const std::uint32_t p = line[x];
          line[x] = (p & 0xFF00FF00u) | (p & 0xFF) << 16 | (p >> 16 & 0xFF);
        }
        squeezer.AddRow(line, premultiplied);
      }
    }
    if (!squeezer.Complete()) return Outcome::Damaged;
    out = squeezer.Take();
    return Outcome::Ok;
  }

 private:
  int Width() const {
    std::uint32_t width = 0;
    TIFFGetField(tiff_, TIFFTAG_IMAGEWIDTH, &width);
    return int(std::min<std::uint32_t>(width, 1 << 30));
  }

  Shown shown_;
  TIFF* tiff_ = nullptr;
  TIFFRGBAImage image_{};
  bool begun_ = false;
  int band_ = 1;
  qint64 chunkBytes_ = 0;
};

}  // namespace

std::unique_ptr<Reader> OpenTiff(QIODevice& device) { return std::make_unique<TiffReader>(device); }

}  // namespace mirel::picture
