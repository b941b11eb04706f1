#include "SealedReply.h"

#include <cstdint>

#include "Scanner.h"

namespace mirel::picture {

namespace {

constexpr std::string_view kMagic = "MRLD";

void Put(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(char(value >> (8 * i)));
}

std::uint32_t Get(std::string_view in, std::size_t at) {
  return U32le(reinterpret_cast<const std::uint8_t*>(in.data()) + at);
}

LoadedPicture Damaged() { return {Bitmap(), PictureFault::Damaged}; }

}  // namespace

std::string EncodeReply(const LoadedPicture& loaded) {
  const bool picture = loaded.fault == PictureFault::None;
  const Bitmap& p = loaded.picture;
  std::string out(kMagic);
  Put(out, std::uint32_t(loaded.fault));
  Put(out, picture ? std::uint32_t(p.Width()) : 0);
  Put(out, picture ? std::uint32_t(p.Height()) : 0);
  if (!picture) return out;
  out.reserve(out.size() + std::size_t(p.Width()) * std::size_t(p.Height()) * 4);
  for (int y = 0; y < p.Height(); ++y)
    for (int x = 0; x < p.Width(); ++x) Put(out, p.Pixel(x, y));
  return out;
}

LoadedPicture ParseReply(std::string_view reply, int boxWidth, int boxHeight) {
  if (reply.size() < kReplyHeaderBytes || reply.substr(0, 4) != kMagic) return Damaged();
  const std::uint32_t fault = Get(reply, 4), width = Get(reply, 8), height = Get(reply, 12);
  if (fault > std::uint32_t(PictureFault::Damaged)) return Damaged();
  if (fault != std::uint32_t(PictureFault::None))
    return reply.size() == kReplyHeaderBytes && width == 0 && height == 0
               ? LoadedPicture{Bitmap(), PictureFault(fault)}
               : Damaged();
  if (width < 1 || height < 1 || width > std::uint32_t(boxWidth) || height > std::uint32_t(boxHeight) ||
      reply.size() != kReplyHeaderBytes + std::size_t(width) * height * 4)
    return Damaged();
  LoadedPicture loaded{Bitmap(int(width), int(height)), PictureFault::None};
  std::size_t at = kReplyHeaderBytes;
  for (int y = 0; y < int(height); ++y)
    for (int x = 0; x < int(width); ++x, at += 4) loaded.picture.SetPixel(x, y, 0xFF000000u | Get(reply, at));
  return loaded;
}

}  // namespace mirel::picture
