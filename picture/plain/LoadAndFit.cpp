#include "LoadAndFit.h"

#include <algorithm>
#include <string_view>

#include "Orientation.h"
#include "picture/PictureLimits.h"

namespace mirel::picture {

namespace {

Fitted Fault(PictureFault fault, const FormatFacts* format = nullptr) {
  Fitted fitted;
  fitted.fault = fault;
  fitted.format = format;
  return fitted;
}

}  // namespace

Fitted LoadAndFit(ByteSource& source, int boxWidth, int boxHeight, const Progress& progress, Readers& readers) {
  const long long size = source.Size();
  if (size < 0 || !source.Seek(0)) return Fault(PictureFault::Unreadable);
  if (size == 0) return Fault(PictureFault::Empty);
  if (size > kPictureMaxFileBytes) return Fault(PictureFault::TooLarge);

  char head[kHeadBytes];
  const long long got = source.Read(head, sizeof head);
  if (got <= 0) return Fault(PictureFault::Unreadable);
  const FormatFacts* format = Recognise(std::string_view(head, std::size_t(got)));
  if (!source.Seek(0)) return Fault(PictureFault::Unreadable);
  if (!format) return Fault(readers.IsOtherPicture(source) ? PictureFault::Unsupported : PictureFault::NotAPicture);

  if (format->fits)
    if (const Outcome fits = format->fits(source); fits != Outcome::Ok) return Fault(FaultOf(fits), format);
  const int orientation = ReadOrientation(format->format, source);
  if (!source.Seek(0)) return Fault(PictureFault::Unreadable, format);
  const std::unique_ptr<FrameReader> reader = readers.Open(*format, source);
  if (!reader) return Fault(PictureFault::Unsupported, format);
  FrameHeader header;
  if (const Outcome read = reader->ReadHeader(header); read != Outcome::Ok) return Fault(FaultOf(read), format);
  if (header.width <= 0 || header.height <= 0) return Fault(PictureFault::Damaged, format);
  // Beyond the limits is too large, whatever the shape, and before any decoding.
  if (BeyondPictureLimits(header.width, header.height)) return Fault(PictureFault::TooLarge, format);

  const bool turned = Turns(orientation);
  const int uprightWidth = turned ? header.height : header.width;
  const int uprightHeight = turned ? header.width : header.height;
  const int fittedWidth = std::min(uprightWidth, boxWidth), fittedHeight = std::min(uprightHeight, boxHeight);
  const int targetWidth = turned ? fittedHeight : fittedWidth, targetHeight = turned ? fittedWidth : fittedHeight;
  if (reader->EstimateBytes(targetWidth, targetHeight) > kPictureMemoryBudget)
    return Fault(PictureFault::TooLarge, format);

  Bitmap squeezed;
  if (const Outcome decoded = reader->Decode(targetWidth, targetHeight, progress, squeezed); decoded != Outcome::Ok)
    return Fault(FaultOf(decoded), format);
  if (squeezed.Width() != targetWidth || squeezed.Height() != targetHeight) return Fault(PictureFault::Damaged, format);
  Fitted fitted;
  fitted.picture = Upright(squeezed, orientation);
  fitted.format = format;
  fitted.uprightWidth = uprightWidth;
  fitted.uprightHeight = uprightHeight;
  return fitted;
}

}  // namespace mirel::picture
