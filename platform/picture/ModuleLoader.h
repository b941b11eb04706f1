#pragma once
// The program's side of the decoder module: table rows whose recogniser and
// reader are looked up there by format name, the module loaded on first use.

#include "Module.h"

namespace mirel::picture {

// The module's format of that name; null when it has none or did not load.
const ModuleFormat* FromModule(const char* name);

template <const char* Name>
bool RecogniseInModule(const QByteArray& head) {
  const ModuleFormat* format = FromModule(Name);
  return format && format->recognise(head);
}

// Only called after RecogniseInModule<Name> said yes, so the format is there.
template <const char* Name>
std::unique_ptr<Reader> OpenInModule(QIODevice& device) {
  return FromModule(Name)->open(device);
}

}  // namespace mirel::picture
