// Loads the decoder module on first use, after checking it is the one built
// with this program, and hands out its formats.

#include "ModuleLoader.h"

#include <QCryptographicHash>
#include <QFile>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/Diagnostics.h"
#include "platform/ExecutableFolder.h"
#include "platform/Result.h"

namespace mirel::picture {

namespace {

// The file's bytes, read once, when they are the sealed ones. A file cut short
// or of another build used to go straight to dlopen, which died of SIGBUS.
Result<QByteArray> ReadSealed(const std::filesystem::path& path, const ModuleSeal& seal) {
  // Without waiting, so a pipe put under the name cannot hang the game.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    const std::string why = fd < 0 ? std::strerror(errno) : "not a file";
    if (fd >= 0) close(fd);
    return Result<QByteArray>::Failed(why);
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    close(fd);
    return Result<QByteArray>::Failed("cannot read it");
  }
  // One byte more than sealed, so a file that grew is caught too.
  const QByteArray bytes = file.size() == seal.bytes ? file.read(seal.bytes + 1) : QByteArray();
  if (bytes.size() != seal.bytes) return Result<QByteArray>::Failed("not the size it was built with");
  if (QCryptographicHash::hash(bytes, QCryptographicHash::Sha256) != seal.sha256)
    return Result<QByteArray>::Failed("not the module it was built with");
  return bytes;
}

struct Loaded {
  void* module = nullptr;
  int fd = -1;  // the sealed copy the loader knows the module by
};

// Loads exactly the bytes checked, from a sealed file in memory: whatever
// happens to the file on disk after the check never reaches the loader.
Result<Loaded> LoadFromMemory(const QByteArray& bytes) {
  const int fd = memfd_create(kModuleFile, MFD_CLOEXEC | MFD_ALLOW_SEALING);
  bool written = fd >= 0;
  for (qint64 at = 0; written && at < bytes.size();) {
    const ssize_t n = write(fd, bytes.constData() + at, std::size_t(bytes.size() - at));
    written = n > 0;
    at += n;
  }
  std::string why = "cannot copy it into memory";
  if (written && fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0) {
    if (void* module = dlopen(("/proc/self/fd/" + std::to_string(fd)).c_str(), RTLD_NOW | RTLD_LOCAL))
      return Loaded{module, fd};
    const char* error = dlerror();
    why = error ? error : "";
  }
  if (fd >= 0) close(fd);
  return Result<Loaded>::Failed(why);
}

}  // namespace

Result<ModuleEntry> LoadModule(const std::filesystem::path& path, const ModuleSeal& seal) {
  const Result<QByteArray> bytes = ReadSealed(path, seal);
  if (!bytes) return Result<ModuleEntry>::Failed(bytes.Why());
  const Result<Loaded> loaded = LoadFromMemory(*bytes);
  if (!loaded) return Result<ModuleEntry>::Failed(loaded.Why());
  const auto* version = static_cast<const std::uint32_t*>(dlsym(loaded->module, kModuleInterfaceSymbol));
  void* entry = dlsym(loaded->module, kModuleEntry);
  if (!version || *version != kModuleInterface || !entry) {
    const std::string why = !version ? "it names no interface"
                            : !entry ? "it has no entry point"
                                     : "it speaks interface " + std::to_string(*version) + ", not " +
                                           std::to_string(kModuleInterface);
    dlclose(loaded->module);
    close(loaded->fd);
    return Result<ModuleEntry>::Failed(why);
  }
  // The descriptor stays open as long as the module is loaded, which is for
  // good: the loader knows the module by the descriptor's path, which must not
  // come to name another file.
  return reinterpret_cast<ModuleEntry>(entry);
}

namespace {

struct ModulePlace {
  // Beside the program itself, wherever it was started from.
  std::filesystem::path path = mirel::ExecutableFolder() / kModuleFile;
  bool used = false;
};

ModulePlace& Place() {
  static ModulePlace place;
  return place;
}

}  // namespace

void SetModulePath(std::filesystem::path path) {
  if (Place().used) throw std::logic_error("the decoder module was loaded before its path was set");
  Place().path = std::move(path);
}

ModuleOpen FromModule(const char* name) {
  // A module stays loaded for the process's life, so it is looked for once.
  static const ModuleEntry entry = [] {
    Place().used = true;
    const Result<ModuleEntry> loaded = LoadModule(Place().path, BuiltModuleSeal());
    // The module's formats then load as unsupported.
    if (!loaded)
      Diagnose("the picture decoders could not be loaded (" + Place().path.string() + ": " + loaded.Why() +
               ")");
    return loaded ? *loaded : nullptr;
  }();
  return entry ? entry(name) : nullptr;
}

}  // namespace mirel::picture
