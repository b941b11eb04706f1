// Loads the decoder module on first use and hands out its formats.

#include "ModuleLoader.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>

#include "platform/ProgramFolder.h"

namespace mirel::picture {

namespace {

// Beside the program itself, wherever it was started from: tests move the
// program folder for their record files, never the module.
std::filesystem::path ModulePath() { return mirel::ExecutableFolder() / kModuleFile; }

ModuleEntry LoadEntry() {
  const std::filesystem::path path = ModulePath();
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  void* entry = module ? dlsym(module, kModuleEntry) : nullptr;
  if (!entry) {
    // Said once; those formats are then refused as unsupported.
    const char* why = dlerror();
    std::fprintf(stderr, "mirel: the picture decoders could not be loaded (%s)\n", why ? why : path.c_str());
    return nullptr;
  }
  return reinterpret_cast<ModuleEntry>(entry);
}

}  // namespace

const ModuleFormat* FromModule(const char* name) {
  static const ModuleEntry entry = LoadEntry();
  return entry ? entry(name) : nullptr;
}

}  // namespace mirel::picture
