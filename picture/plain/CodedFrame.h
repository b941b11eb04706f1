#pragma once
// The frame size a coded image's own bitstream declares, which the decoder
// allocates whatever the container's size record says.

#include <cstddef>
#include <cstdint>
#include <optional>

namespace mirel::picture {

struct Frame {
  std::uint64_t width = 0;
  std::uint64_t height = 0;
  friend bool operator==(const Frame&, const Frame&) = default;
};

// The coded picture size of a HEVC sequence parameter set: the whole NAL unit,
// its two-byte header first. Nothing when it ends or breaks before the size.
std::optional<Frame> HevcSpsFrame(const std::uint8_t* nal, std::size_t size);

// The largest frame an AV1 sequence header allows: the OBU's payload, after
// its header and size. Nothing when it ends or breaks before the size.
std::optional<Frame> Av1SequenceFrame(const std::uint8_t* payload, std::size_t size);

}  // namespace mirel::picture
