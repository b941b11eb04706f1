#pragma once
// The program's side of the decoder module: it is loaded on first use, and
// only when its bytes are exactly those this program was built with and it
// speaks this program's interface. Anything else under its name is refused,
// and its formats are then unsupported.

#include <QByteArray>
#include <QtGlobal>

#include <filesystem>

#include "Module.h"
#include "platform/Result.h"

namespace mirel::picture {

// What the module's file must be: its size and SHA-256.
struct ModuleSeal {
  qint64 bytes = 0;
  QByteArray sha256;
};

// The seal of the module built with this program, taken when it was linked
// (made by cmake/ModuleSeal.cmake).
ModuleSeal BuiltModuleSeal();

// Loads the module at `path` when its bytes match `seal` and it speaks
// kModuleInterface; else why not.
Result<ModuleEntry> LoadModule(const std::filesystem::path& path, const ModuleSeal& seal);

// The reader of that format from the module, loaded on the first call; null
// when the module has no such format or is refused, which is said once on
// standard error.
ModuleOpen FromModule(const char* name);

// Where FromModule finds the module: beside the program unless named here,
// before its first call; after it, this throws std::logic_error, since the
// module is loaded once for the process. Tests, benchmarks and fuzzers name
// the one built, wherever their own binaries lie.
void SetModulePath(std::filesystem::path path);

}  // namespace mirel::picture
