// JPEG through libjpeg directly: decoded at 1/8, 1/4 or 1/2 of its size in the
// DCT where that still leaves twice the fitted size, then squeezed row by row.
// A progressive file decoded at an eighth is read only up to the scans that
// complete the few coefficients an eighth needs.
// The library's warnings about corrupt or missing data make the file damaged:
// a picture cut short would otherwise show flat grey where its data ends.

#include <QIODevice>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "Reader.h"
#include "Squeezer.h"
#include "picture/PictureFile.h"
#include "picture/plain/ReducedScale.h"

namespace mirel::picture {

namespace {

// Progressive files with more scans than any encoder writes only cost time.
constexpr int kMaxScans = 100;

struct Errors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool corrupt = false;
};

struct Source {
  jpeg_source_mgr pub;
  QIODevice* device = nullptr;
  std::array<JOCTET, 64 * 1024> buffer{};
};

struct Monitor {
  jpeg_progress_mgr pub;
  const Progress* progress = nullptr;
};

void ErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1); }

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* errors = reinterpret_cast<Errors*>(cinfo->err);
  switch (cinfo->err->msg_code) {
    case JWRN_HIT_MARKER:  // premature end of data segment
    case JWRN_JPEG_EOF:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
      // Damaged: stop here rather than decode the rest from made-up data.
      errors->corrupt = true;
      std::longjmp(errors->jump, 1);
    default:  // stray bytes between segments, odd markers: the pixels are whole
      break;
  }
}

void OutputMessage(j_common_ptr) {}

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  const qint64 got =
      src->device->read(reinterpret_cast<char*>(src->buffer.data()), qint64(src->buffer.size()));
  if (got <= 0) {  // the file ends before its end marker
    auto* errors = reinterpret_cast<Errors*>(cinfo->err);
    errors->corrupt = true;
    std::longjmp(errors->jump, 1);
  }
  src->pub.next_input_byte = src->buffer.data();
  src->pub.bytes_in_buffer = std::size_t(got);
  return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
  auto* src = reinterpret_cast<Source*>(cinfo->src);
  if (count <= 0) return;
  if (std::size_t(count) <= src->pub.bytes_in_buffer) {
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= std::size_t(count);
    return;
  }
  const qint64 beyond = qint64(count) - qint64(src->pub.bytes_in_buffer);
  src->pub.bytes_in_buffer = 0;
  const qint64 to = src->device->pos() + beyond;
  if (to > src->device->size() || !src->device->seek(to)) src->device->seek(src->device->size());
}

void TermSource(j_decompress_ptr) {}

void OnProgress(j_common_ptr cinfo) {
  auto* monitor = reinterpret_cast<Monitor*>(cinfo->progress);
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) ErrorExit(cinfo);
  if (monitor->progress && *monitor->progress) (*monitor->progress)();
}

// Where coefficient (row, column) of a block comes in the zigzag order that
// scans count in: along the anti-diagonals, turning at each edge.
constexpr int Zigzag(int row, int column) {
  const int d = row + column;
  const int before = d < 8 ? d * (d + 1) / 2 : 64 - (15 - d) * (16 - d) / 2;
  const int top = std::max(0, d - 7);  // the smallest row on this diagonal
  return before + (d % 2 ? row - top : std::min(d, 7) - row);
}
static_assert(Zigzag(0, 1) == 1 && Zigzag(1, 0) == 2 && Zigzag(1, 1) == 4 && Zigzag(0, 3) == 6 &&
              Zigzag(7, 1) == 36 && Zigzag(7, 7) == 63);

// Runs one step of the library; false when it gave up on the data. Nothing
// with a destructor lives in the frames a failure jumps over.
template <class Step>
bool Guarded(Errors& errors, Step&& step) {
  if (setjmp(errors.jump)) return false;
  step();
  return true;
}

class JpegReader final : public Reader {
 public:
  explicit JpegReader(QIODevice& device) {
    cinfo_.err = jpeg_std_error(&errors_.pub);
    errors_.pub.error_exit = ErrorExit;
    errors_.pub.emit_message = EmitMessage;
    errors_.pub.output_message = OutputMessage;
    created_ = Guarded(errors_, [this] { jpeg_create_decompress(&cinfo_); });
    if (!created_) return;
    source_.device = &device;
    source_.pub.init_source = InitSource;
    source_.pub.fill_input_buffer = FillInput;
    source_.pub.skip_input_data = SkipInput;
    source_.pub.resync_to_restart = jpeg_resync_to_restart;
    source_.pub.term_source = TermSource;
    cinfo_.src = &source_.pub;
    monitor_.pub.progress_monitor = OnProgress;
    cinfo_.progress = &monitor_.pub;
    cinfo_.mem->max_memory_to_use = long(kPictureMemoryBudget);
  }
  ~JpegReader() override {
    if (created_) jpeg_destroy_decompress(&cinfo_);
  }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;

  Outcome ReadHeader(Header& header) override {
    if (!created_) return Outcome::Damaged;
    int status = JPEG_SUSPENDED;
    const bool read = Guarded(errors_, [this, &status] { status = jpeg_read_header(&cinfo_, TRUE); });
    if (!read || status != JPEG_HEADER_OK) return Outcome::Damaged;
    header.stored = QSize(int(std::min<JDIMENSION>(cinfo_.image_width, 1 << 30)),
                          int(std::min<JDIMENSION>(cinfo_.image_height, 1 << 30)));
    return Outcome::Ok;
  }

  qint64 EstimateBytes(QSize target) override {
    // A big JPEG is decoded in the DCT at 1/8, 1/4 or 1/2 of its size; the
    // squeeze does the rest.
    eighths_ = 8 >> ReducedHalvings(cinfo_.image_width, cinfo_.image_height, target.width(), target.height());
    const qint64 outWidth = (qint64(cinfo_.image_width) * eighths_ + 7) / 8;
    qint64 bytes = outWidth * 64;  // rows, upsampling and colour buffers
    // A progressive or non-interleaved file is decoded through a buffer that
    // holds every DCT coefficient of the whole picture, whatever the output size.
    if (cinfo_.progressive_mode || cinfo_.comps_in_scan < cinfo_.num_components) {
      for (int i = 0; i < cinfo_.num_components; ++i) {
        const jpeg_component_info& c = cinfo_.comp_info[i];
        const qint64 across =
            (qint64(c.width_in_blocks) + c.h_samp_factor - 1) / c.h_samp_factor * c.h_samp_factor;
        const qint64 down =
            (qint64(c.height_in_blocks) + c.v_samp_factor - 1) / c.v_samp_factor * c.v_samp_factor;
        bytes += across * down * DCTSIZE2 * qint64(sizeof(JCOEF));
      }
    }
    return bytes;
  }

  Outcome Decode(QSize target, const Progress& progress, QImage& out) override {
    monitor_.progress = &progress;
    cinfo_.scale_num = unsigned(eighths_);
    cinfo_.scale_denom = 8;
    const bool cmyk = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
    cinfo_.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    // At an eighth a block is little more than its DC coefficient, which a
    // progressive file sends in its first scans: decoding stops once what this
    // scale reads has arrived, and the scans after that are never decoded.
    // Smoothing would guess AC coefficients from the DC ones; not wanted here.
    const bool firstScansOnly = cinfo_.progressive_mode && eighths_ == 1;
    if (firstScansOnly) {
      cinfo_.buffered_image = TRUE;
      cinfo_.do_block_smoothing = FALSE;
    }
    if (!Guarded(errors_, [this, firstScansOnly] {
          jpeg_start_decompress(&cinfo_);
          if (!firstScansOnly) return;
          int status = 0;
          do status = jpeg_consume_input(&cinfo_);
          while (status != JPEG_REACHED_EOI && (status != JPEG_SCAN_COMPLETED || !CoefficientsArrived(true)));
          jpeg_start_output(&cinfo_, cinfo_.input_scan_number);
        }))
      return Outcome::Damaged;
    const QSize decoded(int(cinfo_.output_width), int(cinfo_.output_height));
    if (cinfo_.output_components != 4) return Outcome::Damaged;
    Squeezer squeezer(decoded, target, progress);
    std::vector<JSAMPLE> line(std::size_t(decoded.width()) * 4);
    std::vector<std::uint32_t> row(cmyk ? std::size_t(decoded.width()) : 0);
    while (cinfo_.output_scanline < cinfo_.output_height) {
      JSAMPROW rows[1] = {line.data()};
      JDIMENSION got = 0;
      if (!Guarded(errors_, [this, &rows, &got] { got = jpeg_read_scanlines(&cinfo_, rows, 1); }) || got != 1)
        return Outcome::Damaged;
      if (cmyk) {
        // Photoshop, the usual writer, stores CMYK inverted.
        for (std::size_t x = 0; x < row.size(); ++x) {
          const JSAMPLE* p = &line[4 * x];
          const std::uint32_t k = p[3];
          row[x] = 0xFF000000u | (p[0] * k + 127) / 255 << 16 | (p[1] * k + 127) / 255 << 8 |
                   (p[2] * k + 127) / 255;
        }
        squeezer.AddRow(row.data());
      } else {
        squeezer.AddRow(reinterpret_cast<const std::uint32_t*>(line.data()));
      }
    }
    // Before finishing, which frees the progression record.
    if (!CoefficientsArrived(firstScansOnly)) return Outcome::Damaged;
    if (firstScansOnly)
      jpeg_abort_decompress(&cinfo_);  // the rest of the file is not wanted
    else if (!Guarded(errors_, [this] { jpeg_finish_decompress(&cinfo_); }))
      return Outcome::Damaged;
    if (errors_.corrupt || !squeezer.Complete()) return Outcome::Damaged;
    out = squeezer.Take();
    return Outcome::Ok;
  }

 private:
  // Whether every coefficient that the decode reads has all its bits. A
  // progressive file that stops after a whole scan raises no warning, but shows
  // only the coarse scans that came before. At an eighth the library reads the
  // DC coefficient of each block, and of chroma it scales up in the DCT
  // instead of upsampling (4:2:0) the lowest AC ones too.
  bool CoefficientsArrived(bool atThisScale) const {
    if (!cinfo_.progressive_mode || !cinfo_.coef_bits) return true;
    for (int c = 0; c < cinfo_.num_components; ++c) {
      const int n = atThisScale ? std::min(cinfo_.comp_info[c].DCT_scaled_size, DCTSIZE) : DCTSIZE;
      for (int row = 0; row < n; ++row)
        for (int column = 0; column < n; ++column)
          if (cinfo_.coef_bits[c][Zigzag(row, column)] != 0) return false;
    }
    return true;
  }

  jpeg_decompress_struct cinfo_{};
  Errors errors_{};
  Source source_{};
  Monitor monitor_{};
  bool created_ = false;
  int eighths_ = 8;
};

}  // namespace

std::unique_ptr<Reader> OpenJpeg(QIODevice& device) { return std::make_unique<JpegReader>(device); }

}  // namespace mirel::picture
