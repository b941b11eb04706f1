// The C++ runtime's last words on an uncaught exception go to standard error,
// which a Windows program without a console does not have, and the runtime's
// demangler (45 KB of the program) only makes the type's name in them
// readable. The program catches what it throws itself (Main.cpp); the runtime
// is linked to this instead (-Wl,--wrap=__cxa_demangle) and prints the name
// as it is mangled.

#include <cstddef>

extern "C" char* __wrap___cxa_demangle(const char*, char*, std::size_t*, int* status) {
  if (status != nullptr) *status = -2;  // not a name it can demangle
  return nullptr;
}
