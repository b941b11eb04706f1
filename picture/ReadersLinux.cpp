// The readers of the table's rows on Linux: the program's own (BMP in plain
// C++, GIF, JPEG and PNG over Qt's devices) and the decoder module's.

#include "ReadersLinux.h"

#include <QImageReader>

#include "ModuleLoader.h"
#include "Reader.h"
#include "picture/plain/BmpDecoder.h"
#include "platform/QtBitmap.h"

namespace mirel::picture {

// The program's own Qt readers, each in its file of this folder.
std::unique_ptr<Reader> OpenGif(QIODevice& device);
std::unique_ptr<Reader> OpenJpeg(QIODevice& device);
std::unique_ptr<Reader> OpenPng(QIODevice& device);

namespace {

// A reader over a Qt device as the load-and-fit policy sees it.
class QtFrame final : public FrameReader {
 public:
  explicit QtFrame(std::unique_ptr<Reader> reader) : reader_(std::move(reader)) {}

  Outcome ReadHeader(FrameHeader& header) override {
    Header read;
    const Outcome got = reader_->ReadHeader(read);
    header.width = read.stored.width();
    header.height = read.stored.height();
    return got;
  }

  long long EstimateBytes(int targetWidth, int targetHeight) override {
    return reader_->EstimateBytes(QSize(targetWidth, targetHeight));
  }

  Outcome Decode(int targetWidth, int targetHeight, const Progress& progress, Bitmap& out) override {
    QImage decoded;
    const Outcome got = reader_->Decode(QSize(targetWidth, targetHeight), progress, decoded);
    if (got != Outcome::Ok) return got;
    if (decoded.format() != QImage::Format_RGB32) return Outcome::Damaged;
    out = ToBitmap(decoded);
    return Outcome::Ok;
  }

 private:
  std::unique_ptr<Reader> reader_;
};

std::unique_ptr<FrameReader> Framed(std::unique_ptr<Reader> reader) {
  return reader ? std::make_unique<QtFrame>(std::move(reader)) : nullptr;
}

}  // namespace

std::unique_ptr<FrameReader> QtReaders::Open(const FormatFacts& format, ByteSource& source) {
  if (!device_.seek(0)) return nullptr;
  switch (format.format) {
    case Format::Bmp:
      return std::make_unique<BmpDecoder>(source);
    case Format::Gif:
      return Framed(OpenGif(device_));
    case Format::Jpeg:
      return Framed(OpenJpeg(device_));
    case Format::Png:
      return Framed(OpenPng(device_));
    case Format::Webp:
    case Format::Heic:
    case Format::Avif:
    case Format::Tiff:
      break;
  }
  const ModuleOpen open = FromModule(format.name);
  return open ? Framed(open(device_)) : nullptr;
}

bool QtReaders::IsOtherPicture(ByteSource&) {
  // Qt's other decoders look at the header, never decode.
  return device_.seek(0) && !QImageReader::imageFormat(&device_).isEmpty();
}

bool SystemReads(const FormatFacts& format) {
  return format.readBy == kInProgram || FromModule(format.name) != nullptr;
}

}  // namespace mirel::picture
