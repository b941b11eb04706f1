// A decoder module of another build: the same entry point, the next interface.

#include "picture/Module.h"

extern "C" __attribute__((visibility("default"))) const std::uint32_t mirel_codec_interface =
    mirel::picture::kModuleInterface + 1;

extern "C" __attribute__((visibility("default"))) mirel::picture::ModuleOpen mirel_codec(const char*) {
  return nullptr;
}
