#include "assets/Assets.h"

namespace mirel::assets {

std::string Relief(int number) { return ":/pictures/Relief" + std::to_string(number) + ".bmp"; }

}  // namespace mirel::assets
