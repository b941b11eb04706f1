// Code page 932 through the browser's own converter (web/page/cp932.js).

#include <emscripten.h>

#include "support/Cp932.h"

namespace mirel {
namespace {

// Each call leaves its answer with the page; the second call copies it here.
EM_JS(int, PageCp932Decode, (const char* bytes, int length), {
  const text = window.mirelCp932.decode(HEAPU8.subarray(bytes, bytes + length));
  if (text == null) return -1;
  Module.mirelCp932Out = new TextEncoder().encode(text);
  return Module.mirelCp932Out.length;
});
EM_JS(int, PageCp932Encode, (const char* utf8, int length, int* replaced), {
  const encoded = window.mirelCp932.encode(HEAPU8.subarray(utf8, utf8 + length));
  HEAP32[replaced >> 2] = encoded.replaced;
  Module.mirelCp932Out = encoded.bytes;
  return encoded.bytes.length;
});
EM_JS(void, PageCp932Take, (char* out), { HEAPU8.set(Module.mirelCp932Out, out); });

std::string Taken(int length) {
  std::string out(std::size_t(length), '\0');
  if (length > 0) PageCp932Take(out.data());
  return out;
}

}  // namespace

std::optional<std::string> DecodeCp932(std::string_view ansi) {
  const int length = PageCp932Decode(ansi.data(), int(ansi.size()));
  if (length < 0) return std::nullopt;
  return Taken(length);
}

std::string EncodeCp932(std::string_view utf8, std::size_t& replaced) {
  int count = 0;
  const int length = PageCp932Encode(utf8.data(), int(utf8.size()), &count);
  replaced += std::size_t(count);
  return Taken(length);
}

}  // namespace mirel
