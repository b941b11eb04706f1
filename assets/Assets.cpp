#include "assets/Assets.h"

namespace mirel::assets {

QString Relief(int number) { return QStringLiteral(":/pictures/Relief%1.bmp").arg(number); }

}  // namespace mirel::assets
