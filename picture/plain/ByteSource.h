#pragma once
// A random-access source of a picture file's bytes, as the Qt-free readers see
// it: Qt's devices on Linux, the Windows loader's streams on Windows.

namespace mirel::picture {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual long long Size() = 0;
  virtual long long Pos() = 0;
  // False for a negative offset; an offset past the end is allowed, and
  // reading there gives nothing.
  virtual bool Seek(long long at) = 0;
  // Up to n bytes from the current offset: how many came, or -1 on an error.
  virtual long long Read(void* out, long long n) = 0;
};

}  // namespace mirel::picture
