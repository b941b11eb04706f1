# Writes the source of BuiltModuleSeal(): the decoder module's size and SHA-256
# as linked, which the program checks before it loads the module. Run after
# the module is linked, by the rule in picture/CMakeLists.txt:
#   cmake -DMODULE=<the module> -DOUTPUT=<source to write> -P ModuleSeal.cmake
cmake_minimum_required(VERSION 3.25)

file(SIZE "${MODULE}" bytes)
file(SHA256 "${MODULE}" sha256)
file(WRITE "${OUTPUT}" "\
// Made by cmake/ModuleSeal.cmake from the module as linked.
#include \"picture/ModuleLoader.h\"

namespace mirel::picture {

ModuleSeal BuiltModuleSeal() { return {${bytes}, QByteArray::fromHex(\"${sha256}\")}; }

}  // namespace mirel::picture
")
