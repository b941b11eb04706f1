#pragma once
// Our own reading of a TIFF file's first directory, before any decoder sees
// the file: for its orientation, and to show the decoder only the entries
// decoding needs, so the data of any other (metadata, private tags, as many
// as 65535 of them pointing anywhere) is never read.

#include <cstdint>
#include <string>
#include <vector>

#include "ByteSource.h"

namespace mirel::picture {

struct TiffDirectory {
  bool little = true;   // byte order "II"
  bool big = false;     // BigTIFF: 8-byte counts and offsets, 20-byte entries
  long long at = 0;     // where its entry count lies in the file
  long long count = 0;  // its entries, at most 65535
  std::vector<std::uint8_t> entries;

  int EntrySize() const { return big ? 20 : 12; }
  std::uint32_t U16(const std::uint8_t* p) const;
  std::uint32_t U32(const std::uint8_t* p) const;
  // The entry's tag, and its value when it is one short or long held inline (else 0).
  std::uint32_t Tag(long long i) const { return U16(&entries[std::size_t(i * EntrySize())]); }
  std::uint32_t Value(long long i) const;
};

// False when the file is no TIFF or its first directory is cut short.
bool ReadTiffDirectory(ByteSource& source, TiffDirectory& directory);

// The bytes to show a decoder at directory.at instead of the file's: the
// same directory with only the entries a decoder needs, and no next one. It
// is never longer than the directory it stands for.
std::string TrimmedTiffDirectory(const TiffDirectory& directory);

}  // namespace mirel::picture
