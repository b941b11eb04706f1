// HEIC and AVIF through libheif (HEVC through libde265, AV1 through dav1d).
// These decode whole, within the pixel and memory limits; the library applies
// the file's rotation and mirroring itself.

#include <QIODevice>

#include <algorithm>
#include <array>
#include <vector>

#include <libheif/heif.h>

#include "QtByteSource.h"
#include "Reader.h"
#include "Squeezer.h"
#include "picture/plain/HeifCanvas.h"

namespace mirel::picture {

namespace {

// libheif reads through these, straight from the device.
std::int64_t Position(void* device) { return static_cast<QIODevice*>(device)->pos(); }
int ReadBytes(void* data, std::size_t size, void* device) {
  auto* d = static_cast<QIODevice*>(device);
  return d->read(static_cast<char*>(data), qint64(size)) == qint64(size) ? 0 : -1;
}
int Seek(std::int64_t position, void* device) {
  return static_cast<QIODevice*>(device)->seek(position) ? 0 : -1;
}
heif_reader_grow_status WaitForSize(std::int64_t size, void* device) {
  return size > static_cast<QIODevice*>(device)->size() ? heif_reader_grow_status_size_beyond_eof
                                                        : heif_reader_grow_status_size_reached;
}
const heif_reader kReader = {1, Position, ReadBytes, Seek, WaitForSize};

void OnProgress(heif_progress_step, int, void* progress) {
  const auto& p = *static_cast<const Progress*>(progress);
  if (p) p();
}

Outcome OutcomeOf(const heif_error& error) {
  switch (error.code) {
    case heif_error_Ok:
      return Outcome::Ok;
    case heif_error_Unsupported_feature:
    case heif_error_Unsupported_filetype:
      return Outcome::Unsupported;
    case heif_error_Memory_allocation_error:
      return Outcome::TooLarge;
    default:
      return Outcome::Damaged;
  }
}

class HeifReader final : public Reader {
 public:
  explicit HeifReader(QIODevice& device) : device_(device), context_(heif_context_alloc()) {}
  ~HeifReader() override {
    if (handle_) heif_image_handle_release(handle_);
    heif_context_free(context_);
  }
  HeifReader(const HeifReader&) = delete;
  HeifReader& operator=(const HeifReader&) = delete;

  Outcome ReadHeader(Header& header) override {
    if (!context_) return Outcome::Damaged;
    if (Outcome o = OutcomeOf(heif_context_read_from_reader(context_, &kReader, &device_, nullptr));
        o != Outcome::Ok)
      return o;
    if (Outcome o = OutcomeOf(heif_context_get_primary_image_handle(context_, &handle_)); o != Outcome::Ok)
      return o;
    // Already turned upright: the library applies the rotation when decoding.
    header.stored = QSize(heif_image_handle_get_width(handle_), heif_image_handle_get_height(handle_));
    // The library trusts a derived image's own canvas; a grid of one small
    // tile could ask for 25,000 x 27,000 pixels.
    const qint64 at = device_.pos();
    QtByteSource source(device_);
    // (The coded frames against their size records, and the canvas against
    // the budget at 8 bits, were checked by the load's walk: HeifFits.)
    const std::optional<Frame> canvas = DeclaredCanvas(source);
    if (!canvas || !device_.seek(at)) return Outcome::Damaged;
    canvas_ = *canvas;
    return Outcome::Ok;
  }

  qint64 EstimateBytes(QSize) override {
    // A declared canvas may claim a billion pixels a side. Capped, the
    // product below cannot overflow and is still far past any budget.
    const qint64 pixels = std::min(
        qint64(1) << 40,
        std::max(qint64(heif_image_handle_get_width(handle_)) * heif_image_handle_get_height(handle_),
                 qint64(canvas_.width * canvas_.height)));
    const int bits = std::max(8, heif_image_handle_get_luma_bits_per_pixel(handle_));
    const qint64 sample = bits > 8 ? 2 : 1;
    // The decoder's planes (up to 4:4:4 with alpha), our RGBA copy of them,
    // and a second set while a rotation or the colour conversion runs.
    return pixels * (4 * sample + 4) * 2;
  }

  Outcome Decode(QSize target, const Progress& progress, QImage& out) override {
    heif_decoding_options* options = heif_decoding_options_alloc();
    if (!options) return Outcome::TooLarge;
    options->convert_hdr_to_8bit = 1;
    options->on_progress = OnProgress;
    options->progress_user_data = const_cast<Progress*>(&progress);
    heif_image* image = nullptr;
    const heif_error error =
        heif_decode_image(handle_, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, options);
    heif_decoding_options_free(options);
    if (error.code != heif_error_Ok) {
      if (image) heif_image_release(image);
      return OutcomeOf(error) == Outcome::Ok ? Outcome::Damaged : OutcomeOf(error);
    }
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const QSize size(heif_image_get_width(image, heif_channel_interleaved),
                     heif_image_get_height(image, heif_channel_interleaved));
    Outcome outcome = Outcome::Damaged;
    if (plane && stride >= size.width() * 4 &&
        heif_image_get_bits_per_pixel(image, heif_channel_interleaved) == 32) {
      Squeezer squeezer(size, target, progress);
      std::vector<std::uint32_t> row(std::size_t(size.width()));
      for (int y = 0; y < size.height(); ++y) {
        const std::uint8_t* p = plane + std::size_t(y) * std::size_t(stride);
        for (std::size_t x = 0; x < row.size(); ++x, p += 4)
          row[x] = std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
        squeezer.AddRow(row.data());
      }
      if (squeezer.Complete()) {
        out = squeezer.Take();
        outcome = Outcome::Ok;
      }
    }
    heif_image_release(image);
    return outcome;
  }

 private:
  QIODevice& device_;
  heif_context* context_;
  heif_image_handle* handle_ = nullptr;
  Frame canvas_;  // a derived image's declared canvas, or 0 x 0
};

}  // namespace

std::unique_ptr<Reader> OpenHeif(QIODevice& device) { return std::make_unique<HeifReader>(device); }

}  // namespace mirel::picture
