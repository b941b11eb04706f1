// WebP through libwebp. A lossy picture is decoded straight to the fitted size
// by the library's own area-averaging rescaler, a few rows at a time; a
// lossless one needs its whole picture (its references reach anywhere above).
// Of an animation, the first frame.

#include <QIODevice>

#include <algorithm>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "Reader.h"
#include "Squeezer.h"
#include "picture/PictureFile.h"

namespace mirel::picture {

namespace {

// Feeds the decoder this much at a time, so that a long load can say so.
constexpr std::size_t kStep = 1 << 20;

class WebpReader final : public Reader {
 public:
  explicit WebpReader(QIODevice& device) : device_(device) {}
  ~WebpReader() override {
    if (iterating_) WebPDemuxReleaseIterator(&frame_);
    if (demux_) WebPDemuxDelete(demux_);
  }
  WebpReader(const WebpReader&) = delete;
  WebpReader& operator=(const WebpReader&) = delete;

  Outcome ReadHeader(Header& header) override {
    // The demuxer wants the whole file in memory; no real WebP comes near this.
    if (device_.size() > kPictureMemoryBudget / 4) return Outcome::TooLarge;
    bytes_ = device_.readAll();
    if (bytes_.size() != device_.size()) return Outcome::Damaged;
    const WebPData data{reinterpret_cast<const std::uint8_t*>(bytes_.constData()),
                        std::size_t(bytes_.size())};
    demux_ = WebPDemux(&data);
    if (!demux_) return Outcome::Damaged;
    canvas_ = QSize(int(std::min<std::uint32_t>(WebPDemuxGetI(demux_, WEBP_FF_CANVAS_WIDTH), 1 << 30)),
                    int(std::min<std::uint32_t>(WebPDemuxGetI(demux_, WEBP_FF_CANVAS_HEIGHT), 1 << 30)));
    iterating_ = WebPDemuxGetFrame(demux_, 1, &frame_) != 0;
    if (!iterating_) return Outcome::Damaged;
    if (WebPGetFeatures(frame_.fragment.bytes, frame_.fragment.size, &features_) != VP8_STATUS_OK)
      return Outcome::Damaged;
    if (features_.width != frame_.width || features_.height != frame_.height) return Outcome::Damaged;
    header.stored = canvas_;
    return Outcome::Ok;
  }

  qint64 EstimateBytes(QSize target) override {
    const qint64 frame = qint64(frame_.width) * frame_.height;
    qint64 bytes = bytes_.size() + qint64(target.width()) * target.height() * 4 + qint64(frame_.width) * 64;
    if (!WholeCanvas() || features_.format == 2) bytes += frame * 4;  // the whole frame at once
    if (features_.has_alpha) bytes += frame;                          // its alpha plane
    return bytes;
  }

  Outcome Decode(QSize target, const Progress& progress, QImage& out) override {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return Outcome::Damaged;
    config.output.colorspace = MODE_BGRA;
    config.options.use_threads = 1;  // the loop filter on a second thread
    if (WholeCanvas() && target != canvas_) {
      config.options.use_scaling = 1;
      config.options.scaled_width = target.width();
      config.options.scaled_height = target.height();
    }
    const Outcome decoded = Run(config, progress);
    if (decoded != Outcome::Ok) {
      WebPFreeDecBuffer(&config.output);
      return decoded;
    }
    const WebPRGBABuffer& rgba = config.output.u.RGBA;
    const QSize got(config.output.width, config.output.height);
    if (WholeCanvas()) {
      Squeezer squeezer(got, target, progress);
      for (int y = 0; y < got.height(); ++y)
        squeezer.AddRow(
            reinterpret_cast<const std::uint32_t*>(rgba.rgba + std::size_t(y) * std::size_t(rgba.stride)));
      WebPFreeDecBuffer(&config.output);
      if (!squeezer.Complete()) return Outcome::Damaged;
      out = squeezer.Take();
      return Outcome::Ok;
    }
    // A first frame smaller than the canvas: the rest is see-through.
    Squeezer squeezer(canvas_, target, progress);
    std::vector<std::uint32_t> row(std::size_t(canvas_.width()));
    for (int y = 0; y < canvas_.height(); ++y) {
      std::fill(row.begin(), row.end(), 0u);
      const int fy = y - frame_.y_offset;
      if (fy >= 0 && fy < got.height()) {
        const auto* line =
            reinterpret_cast<const std::uint32_t*>(rgba.rgba + std::size_t(fy) * std::size_t(rgba.stride));
        const int n = std::max(0, std::min(got.width(), canvas_.width() - frame_.x_offset));
        std::copy(line, line + n, row.begin() + frame_.x_offset);
      }
      squeezer.AddRow(row.data());
    }
    WebPFreeDecBuffer(&config.output);
    if (!squeezer.Complete()) return Outcome::Damaged;
    out = squeezer.Take();
    return Outcome::Ok;
  }

 private:
  bool WholeCanvas() const {
    return frame_.x_offset == 0 && frame_.y_offset == 0 && frame_.width == canvas_.width() &&
           frame_.height == canvas_.height();
  }

  Outcome Run(WebPDecoderConfig& config, const Progress& progress) {
    WebPIDecoder* decoder = WebPIDecode(nullptr, 0, &config);
    if (!decoder) return Outcome::Damaged;
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (std::size_t given = 0; status == VP8_STATUS_SUSPENDED && given < frame_.fragment.size;) {
      given = std::min(frame_.fragment.size, given + kStep);
      status = WebPIUpdate(decoder, frame_.fragment.bytes, given);
      if (progress) progress();
    }
    WebPIDelete(decoder);
    return status == VP8_STATUS_OK ? Outcome::Ok : Outcome::Damaged;  // still suspended: cut short
  }

  QIODevice& device_;
  QByteArray bytes_;
  WebPDemuxer* demux_ = nullptr;
  WebPIterator frame_{};
  bool iterating_ = false;
  WebPBitstreamFeatures features_{};
  QSize canvas_;
};

}  // namespace

std::unique_ptr<Reader> OpenWebp(QIODevice& device) { return std::make_unique<WebpReader>(device); }

}  // namespace mirel::picture
