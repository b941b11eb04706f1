// Code page 932 through glibc's iconv converter of that name.

#include <iconv.h>

#include <cerrno>
#include <system_error>

#include "support/Cp932.h"

namespace mirel {
namespace {

// One conversion direction for the length of one call; iconv descriptors keep
// shift state, so sharing one between calls would need care for no gain.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::system_error(errno, std::generic_category(),
                              std::string("no text converter from ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  enum class Stop { Done, Invalid, Incomplete };

  // Converts as much of `in` as it can, appending to `out`; on Invalid or
  // Incomplete, `in` starts at the offending bytes.
  Stop Run(std::string_view& in, std::string& out) {
    char buffer[4096];
    for (;;) {
      char* inPtr = const_cast<char*>(in.data());
      std::size_t inLeft = in.size();
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t rc = iconv(cd_, in.empty() ? nullptr : &inPtr, &inLeft, &outPtr, &outLeft);
      const int error = errno;
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      in.remove_prefix(in.size() - inLeft);
      if (rc != static_cast<std::size_t>(-1)) {
        if (in.empty()) return Stop::Done;
        continue;
      }
      if (error == E2BIG) continue;
      return error == EINVAL ? Stop::Incomplete : Stop::Invalid;
    }
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<std::string> DecodeCp932(std::string_view ansi) {
  Converter converter("UTF-8", "CP932");
  std::string out;
  out.reserve(ansi.size() * 3 / 2);
  if (converter.Run(ansi, out) != Converter::Stop::Done) return std::nullopt;
  return out;
}

std::string EncodeCp932(std::string_view utf8, std::size_t& replaced) {
  Converter converter("CP932", "UTF-8");
  std::string out;
  out.reserve(utf8.size());
  while (converter.Run(utf8, out) != Converter::Stop::Done) {
    out += '?';
    ++replaced;
    utf8.remove_prefix(Utf8ReplacementLength(utf8));
  }
  return out;
}

}  // namespace mirel
