#include "assets/Assets.h"

namespace mirel::assets {

// Each in a source made by cmake/EmbedFile.cmake.
Bytes Relief1();
Bytes Relief2();
Bytes Relief3();
Bytes Relief4();

Bytes Relief(int number) {
  switch (number) {
    case 1:
      return Relief1();
    case 2:
      return Relief2();
    case 3:
      return Relief3();
    case 4:
      return Relief4();
    default:
      return {};
  }
}

}  // namespace mirel::assets
