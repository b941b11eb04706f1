// The module's exports: the interface it speaks and its formats, by the names
// of their rows in the program's table (FormatTable.cpp).

#include <string_view>

#include "Module.h"

namespace mirel::picture {

std::unique_ptr<Reader> OpenWebp(QIODevice& device);
std::unique_ptr<Reader> OpenHeif(QIODevice& device);
std::unique_ptr<Reader> OpenTiff(QIODevice& device);

}  // namespace mirel::picture

extern "C" __attribute__((visibility("default"))) const std::uint32_t mirel_codec_interface =
    mirel::picture::kModuleInterface;

extern "C" __attribute__((visibility("default"))) mirel::picture::ModuleOpen mirel_codec(const char* name) {
  using namespace mirel::picture;
  static const struct {
    std::string_view name;
    ModuleOpen open;
  } formats[] = {
      {"webp", OpenWebp},
      {"heic", OpenHeif},
      {"avif", OpenHeif},
      {"tiff", OpenTiff},
  };
  for (const auto& entry : formats)
    if (entry.name == name) return entry.open;
  return nullptr;
}
