#include "LoadAndFit.h"

#include <algorithm>
#include <string_view>

#include "Orientation.h"
#include "ReducedScale.h"
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

Fitted LoadAndFit(ByteSource& source, int boxWidth, int boxHeight, const Progress& progress,
                  Readers& readers) {
  const long long size = source.Size();
  if (size < 0 || !source.Seek(0)) return Fault(PictureFault::Unreadable);
  if (size == 0) return Fault(PictureFault::Empty);
  if (size > kPictureMaxFileBytes) return Fault(PictureFault::TooLarge);

  char head[kHeadBytes];
  const long long got = source.Read(head, sizeof head);
  if (got <= 0) return Fault(PictureFault::Unreadable);
  const FormatFacts* format = Recognise(std::string_view(head, std::size_t(got)));
  if (!source.Seek(0)) return Fault(PictureFault::Unreadable);
  if (!format)
    return Fault(readers.IsOtherPicture(source) ? PictureFault::Unsupported : PictureFault::NotAPicture);

  if (format->fits)
    if (const Outcome fits = format->fits(source); fits != Outcome::Ok) return Fault(FaultOf(fits), format);
  const int orientation = ReadOrientation(format->format, source);
  const bool turned = Turns(orientation);
  // A size as the picture is seen, from one as its pixels lie, and back.
  const auto turn = [turned](FrameHeader s) { return turned ? FrameHeader{s.height, s.width} : s; };
  // The fitted picture's size as the pixels lie in the file.
  const auto target = [&](const FrameHeader& header) {
    const FrameHeader upright = turn(header);
    return turn({std::min(upright.width, boxWidth), std::min(upright.height, boxHeight)});
  };

  // The program's own reader where the row has one for a picture reduced to
  // an eighth, else the system's.
  std::unique_ptr<FrameReader> reader;
  FrameHeader header;
  if (format->eighth && source.Seek(0)) {
    reader = format->eighth(source);
    const bool ours =
        reader->ReadHeader(header) == Outcome::Ok && header.width > 0 && header.height > 0 &&
        ReducedHalvings(header.width, header.height, target(header).width, target(header).height) == 3;
    if (!ours) reader.reset();
  }
  if (!reader) {
    if (!source.Seek(0)) return Fault(PictureFault::Unreadable, format);
    reader = readers.Open(*format, source);
    if (!reader) return Fault(PictureFault::Unsupported, format);
    if (const Outcome read = reader->ReadHeader(header); read != Outcome::Ok)
      return Fault(FaultOf(read), format);
  }
  if (header.width <= 0 || header.height <= 0) return Fault(PictureFault::Damaged, format);
  // Beyond the limits is too large, whatever the shape, and before any decoding.
  if (BeyondPictureLimits(header.width, header.height)) return Fault(PictureFault::TooLarge, format);

  const int targetWidth = target(header).width, targetHeight = target(header).height;
  if (reader->EstimateBytes(targetWidth, targetHeight) > kPictureMemoryBudget)
    return Fault(PictureFault::TooLarge, format);

  Bitmap squeezed;
  if (const Outcome decoded = reader->Decode(targetWidth, targetHeight, progress, squeezed);
      decoded != Outcome::Ok)
    return Fault(FaultOf(decoded), format);
  if (squeezed.Width() != targetWidth || squeezed.Height() != targetHeight)
    return Fault(PictureFault::Damaged, format);
  Fitted fitted;
  fitted.picture = Upright(squeezed, orientation);
  fitted.format = format;
  fitted.uprightWidth = turn(header).width;
  fitted.uprightHeight = turn(header).height;
  return fitted;
}

}  // namespace mirel::picture
