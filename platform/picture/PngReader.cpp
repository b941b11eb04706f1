// PNG through libpng, one row at a time, every kind (palette, grey, 16-bit,
// transparency) widened to 8-bit BGRA by the library. Interlaced files spread
// each row over seven passes, so they alone are decoded whole.

#include <QIODevice>

#include <csetjmp>
#include <vector>

#include <png.h>

#include "Orientation.h"
#include "Reader.h"
#include "Squeezer.h"

namespace mirel::picture {

namespace {

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

void ReadFromDevice(png_structp png, png_bytep out, png_size_t length) {
  auto* device = static_cast<QIODevice*>(png_get_io_ptr(png));
  if (device->read(reinterpret_cast<char*>(out), qint64(length)) != qint64(length))
    png_error(png, "cut short");
}

// Runs one step of the library; false when it gave up on the data. Nothing
// with a destructor lives in the frames a failure jumps over.
template <class Step>
bool Guarded(png_structp png, Step&& step) {
  if (setjmp(png_jmpbuf(png))) return false;
  step();
  return true;
}

class PngReader final : public Reader {
 public:
  explicit PngReader(QIODevice& device) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png_) info_ = png_create_info_struct(png_);
    if (info_) png_set_read_fn(png_, &device, ReadFromDevice);
  }
  ~PngReader() override {
    if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
  }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  Outcome ReadHeader(Header& header) override {
    if (!info_) return Outcome::Damaged;
    png_uint_32 width = 0, height = 0;
    const bool read = Guarded(png_, [&] {
      // The size limits are ours to apply, so that a long strip is "too large".
      png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
      png_read_info(png_, info_);
      width = png_get_image_width(png_, info_);
      height = png_get_image_height(png_, info_);
      png_bytep exif = nullptr;
      png_uint_32 exifLength = 0;
      if (png_get_eXIf_1(png_, info_, &exifLength, &exif) && exif)
        header.orientation = ExifBlockOrientation(exif, exifLength);
    });
    if (!read) return Outcome::Damaged;
    header.stored = QSize(int(width), int(height));
    interlaced_ = png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE;
    return Outcome::Ok;
  }

  qint64 EstimateBytes(QSize) override {
    const qint64 width = png_get_image_width(png_, info_), height = png_get_image_height(png_, info_);
    // libpng's own rows at up to 8 bytes a pixel, twice, and ours.
    const qint64 rows = width * 8 * 2 + width * 4;
    return interlaced_ ? rows + width * height * 4 : rows;
  }

  Outcome Decode(QSize target, const Progress& progress, QImage& out) override {
    const QSize size(int(png_get_image_width(png_, info_)), int(png_get_image_height(png_, info_)));
    Squeezer squeezer(size, target, progress);
    std::vector<png_byte> pixels;
    const bool decoded = Guarded(png_, [&] {
      png_set_palette_to_rgb(png_);
      png_set_expand_gray_1_2_4_to_8(png_);
      if (png_get_valid(png_, info_, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png_);
      png_set_scale_16(png_);
      png_set_gray_to_rgb(png_);
      png_set_bgr(png_);
      png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
      const int passes = png_set_interlace_handling(png_);
      png_read_update_info(png_, info_);
      if (png_get_rowbytes(png_, info_) != std::size_t(size.width()) * 4) png_error(png_, "unexpected row");
      const std::size_t stride = std::size_t(size.width()) * 4;
      if (passes > 1) {
        pixels.resize(stride * std::size_t(size.height()));
        for (int pass = 0; pass < passes; ++pass) {
          for (int y = 0; y < size.height(); ++y)
            png_read_row(png_, &pixels[stride * std::size_t(y)], nullptr);
          if (progress) progress();
        }
        for (int y = 0; y < size.height(); ++y)
          squeezer.AddRow(reinterpret_cast<const std::uint32_t*>(&pixels[stride * std::size_t(y)]));
      } else {
        pixels.resize(stride);
        for (int y = 0; y < size.height(); ++y) {
          png_read_row(png_, pixels.data(), nullptr);
          squeezer.AddRow(reinterpret_cast<const std::uint32_t*>(pixels.data()));
        }
      }
    });
    if (!decoded || !squeezer.Complete()) return Outcome::Damaged;
    out = squeezer.Take();
    return Outcome::Ok;
  }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  bool interlaced_ = false;
};

}  // namespace

bool IsPng(const QByteArray& head) { return head.startsWith("\x89PNG\r\n\x1A\n"); }

std::unique_ptr<Reader> OpenPng(QIODevice& device) { return std::make_unique<PngReader>(device); }

}  // namespace mirel::picture
