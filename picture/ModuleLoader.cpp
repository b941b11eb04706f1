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
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/Diagnostics.h"
#include "platform/ExecutableFolder.h"

namespace mirel::picture {

namespace {

// Says why on standard error; the module's formats then load as unsupported.
ModuleEntry Refuse(const std::filesystem::path& path, const std::string& why) {
  Diagnose("the picture decoders could not be loaded (" + path.string() + ": " + why + ")");
  return nullptr;
}

// The file's bytes, read once, when they are the sealed ones. A file cut short
// or of another build used to go straight to dlopen, which died of SIGBUS.
std::optional<QByteArray> ReadSealed(const std::filesystem::path& path, const ModuleSeal& seal, std::string& why) {
  // Without waiting, so a pipe put under the name cannot hang the game.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    why = fd < 0 ? std::strerror(errno) : "not a file";
    if (fd >= 0) close(fd);
    return std::nullopt;
  }
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    close(fd);
    why = "cannot read it";
    return std::nullopt;
  }
  // One byte more than sealed, so a file that grew is caught too.
  const QByteArray bytes = file.size() == seal.bytes ? file.read(seal.bytes + 1) : QByteArray();
  if (bytes.size() != seal.bytes) {
    why = "not the size it was built with";
    return std::nullopt;
  }
  if (QCryptographicHash::hash(bytes, QCryptographicHash::Sha256) != seal.sha256) {
    why = "not the module it was built with";
    return std::nullopt;
  }
  return bytes;
}

// Loads exactly the bytes checked, from a sealed file in memory: whatever
// happens to the file on disk after the check never reaches the loader.
void* LoadFromMemory(const QByteArray& bytes, int& fd, std::string& why) {
  fd = memfd_create(kModuleFile, MFD_CLOEXEC | MFD_ALLOW_SEALING);
  bool written = fd >= 0;
  for (qint64 at = 0; written && at < bytes.size();) {
    const ssize_t n = write(fd, bytes.constData() + at, std::size_t(bytes.size() - at));
    written = n > 0;
    at += n;
  }
  void* module = nullptr;
  if (written && fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0) {
    module = dlopen(("/proc/self/fd/" + std::to_string(fd)).c_str(), RTLD_NOW | RTLD_LOCAL);
    const char* error = module ? nullptr : dlerror();
    why = error ? error : "";
  } else {
    why = "cannot copy it into memory";
  }
  if (!module && fd >= 0) close(fd);
  return module;
}

}  // namespace

ModuleEntry LoadModule(const std::filesystem::path& path, const ModuleSeal& seal) {
  std::string why;
  const std::optional<QByteArray> bytes = ReadSealed(path, seal, why);
  if (!bytes) return Refuse(path, why);
  int fd = -1;
  void* module = LoadFromMemory(*bytes, fd, why);
  if (!module) return Refuse(path, why);
  const auto* version = static_cast<const std::uint32_t*>(dlsym(module, kModuleInterfaceSymbol));
  void* entry = dlsym(module, kModuleEntry);
  if (!version || *version != kModuleInterface || !entry) {
    why = !version ? "it names no interface"
          : !entry ? "it has no entry point"
                   : "it speaks interface " + std::to_string(*version) + ", not " + std::to_string(kModuleInterface);
    dlclose(module);
    close(fd);
    return Refuse(path, why);
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
    return LoadModule(Place().path, BuiltModuleSeal());
  }();
  return entry ? entry(name) : nullptr;
}

}  // namespace mirel::picture
