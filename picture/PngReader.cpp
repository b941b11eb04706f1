// PNG through libpng, one row at a time, every kind (palette, grey, 16-bit,
// transparency) widened to 8-bit BGRA by the library. Interlaced files spread
// each row over seven passes, so they are gathered into a grid first: the whole
// picture when it is small, only its first passes when it is big.

#include <QIODevice>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <vector>

#include <png.h>

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

// Adam7's first pass holds every 8th pixel of every 8th row, the first three
// every 4th of every 4th, the first five every 2nd of every 2nd. The squeeze
// averages every pixel a fitted pixel covers, and a grid only samples them:
// with four samples a side an edge through a fitted pixel is still placed
// within an eighth of it. So a grid is used only while it gives that many,
// each side on its own: a long strip is sampled along its length even when
// its other side must be read whole.
int GridStep(int side, int target) {
  for (int step : {8, 4, 2})
    if ((side + step - 1) / step >= 4 * target) return step;
  return 1;
}

struct Grid {
  int stepX = 1, stepY = 1;
  QSize size;
  int passes = 7;  // the passes that hold every pixel of the grid
};

Grid GridFor(QSize size, QSize target) {
  Grid grid;
  grid.stepX = GridStep(size.width(), target.width());
  grid.stepY = GridStep(size.height(), target.height());
  grid.size = {(size.width() + grid.stepX - 1) / grid.stepX, (size.height() + grid.stepY - 1) / grid.stepY};
  // The last pass that holds a pixel of the grid, over the 8 x 8 pattern.
  grid.passes = 0;
  for (int y = 0; y < 8; y += grid.stepY)
    for (int x = 0; x < 8; x += grid.stepX)
      for (int pass = 0; pass < 7; ++pass)
        if (x % PNG_PASS_COL_OFFSET(pass) == PNG_PASS_START_COL(pass) &&
            y % PNG_PASS_ROW_OFFSET(pass) == PNG_PASS_START_ROW(pass))
          grid.passes = std::max(grid.passes, pass + 1);
  return grid;
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
      // Of the ancillary chunks only transparency changes what we show (no
      // gamma or colour profile is applied; the orientation is read apart).
      // The rest are skipped, never inflated: thousands of compressed text
      // chunks took seconds and gigabytes.
      png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
      png_read_info(png_, info_);
      width = png_get_image_width(png_, info_);
      height = png_get_image_height(png_, info_);
    });
    if (!read) return Outcome::Damaged;
    header.stored = QSize(int(width), int(height));
    interlaced_ = png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE;
    return Outcome::Ok;
  }

  qint64 EstimateBytes(QSize target) override {
    const QSize size(int(png_get_image_width(png_, info_)), int(png_get_image_height(png_, info_)));
    // libpng's own rows at up to 8 bytes a pixel, twice, and ours.
    const qint64 rows = qint64(size.width()) * (8 * 2 + 4);
    if (!interlaced_) return rows;
    const QSize grid = GridFor(size, target).size;
    return rows + qint64(grid.width()) * grid.height() * 4;
  }

  Outcome Decode(QSize target, const Progress& progress, QImage& out) override {
    const QSize size(int(png_get_image_width(png_, info_)), int(png_get_image_height(png_, info_)));
    const Grid sampled = interlaced_ ? GridFor(size, target) : Grid{1, 1, size, 7};
    const QSize grid = sampled.size;
    Squeezer squeezer(grid, target, progress);
    const std::size_t stride = std::size_t(size.width()) * 4;
    std::vector<png_byte> line(stride);
    std::vector<std::uint32_t> pixels(interlaced_ ? std::size_t(grid.width()) * std::size_t(grid.height())
                                                  : 0);
    const bool decoded = Guarded(png_, [&] {
      png_set_palette_to_rgb(png_);
      png_set_expand_gray_1_2_4_to_8(png_);
      if (png_get_valid(png_, info_, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png_);
      png_set_scale_16(png_);
      png_set_gray_to_rgb(png_);
      png_set_bgr(png_);
      png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
      png_read_update_info(png_, info_);
      if (png_get_rowbytes(png_, info_) != stride) png_error(png_, "unexpected row");
      if (!interlaced_) {
        for (int y = 0; y < size.height(); ++y) {
          png_read_row(png_, line.data(), nullptr);
          squeezer.AddRow(reinterpret_cast<const std::uint32_t*>(line.data()));
        }
        return;
      }
      // Without the library's own interlace handling each call gives the next
      // row of the current pass, its pixels packed; each goes to its place in
      // the grid. Empty passes are skipped by the library, and so here.
      for (int pass = 0; pass < sampled.passes; ++pass) {
        const int x0 = PNG_PASS_START_COL(pass), dx = PNG_PASS_COL_OFFSET(pass);
        const int y0 = PNG_PASS_START_ROW(pass), dy = PNG_PASS_ROW_OFFSET(pass);
        const int rows = size.height() > y0 ? (size.height() - y0 + dy - 1) / dy : 0;
        const int columns = size.width() > x0 ? (size.width() - x0 + dx - 1) / dx : 0;
        if (rows == 0 || columns == 0) continue;
        for (int r = 0; r < rows; ++r) {
          png_read_row(png_, line.data(), nullptr);
          const int y = y0 + r * dy;
          if (y % sampled.stepY != 0) continue;
          const auto* from = reinterpret_cast<const std::uint32_t*>(line.data());
          std::uint32_t* to = &pixels[std::size_t(y / sampled.stepY) * std::size_t(grid.width())];
          for (int c = 0; c < columns; ++c)
            if (const int x = x0 + c * dx; x % sampled.stepX == 0) to[x / sampled.stepX] = from[c];
        }
        if (progress) progress();
      }
      // The later passes hold only detail finer than the grid; they are never
      // read, so the file's end is never checked either.
      for (int y = 0; y < grid.height(); ++y)
        squeezer.AddRow(&pixels[std::size_t(y) * std::size_t(grid.width())]);
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

std::unique_ptr<Reader> OpenPng(QIODevice& device) { return std::make_unique<PngReader>(device); }

}  // namespace mirel::picture
