// The module's one entry point: its formats by name.

#include <string_view>

#include "Module.h"

namespace mirel::picture {

bool IsWebp(const QByteArray& head);
std::unique_ptr<Reader> OpenWebp(QIODevice& device);
bool IsHeic(const QByteArray& head);
bool IsAvif(const QByteArray& head);
std::unique_ptr<Reader> OpenHeif(QIODevice& device);
bool IsTiff(const QByteArray& head);
std::unique_ptr<Reader> OpenTiff(QIODevice& device);

}  // namespace mirel::picture

extern "C" __attribute__((visibility("default"))) const mirel::picture::ModuleFormat* mirel_codec(const char* name) {
  using namespace mirel::picture;
  static const struct {
    std::string_view name;
    ModuleFormat format;
  } formats[] = {
      {"webp", {IsWebp, OpenWebp}},
      {"heic", {IsHeic, OpenHeif}},
      {"avif", {IsAvif, OpenHeif}},
      {"tiff", {IsTiff, OpenTiff}},
  };
  for (const auto& entry : formats)
    if (entry.name == name) return &entry.format;
  return nullptr;
}
