#include "PictureLoader.h"

#include <QSize>
#include <QString>

#include "picture/PictureFile.h"
#include "platform/QtBitmap.h"

namespace mirel {

LoadedPicture LoadPictureFile(const std::string& path, int boxWidth, int boxHeight,
                              const std::function<void()>& stillLoading) {
  const FittedPicture fitted =
      LoadFittedPicture(QString::fromStdString(path), QSize(boxWidth, boxHeight), stillLoading);
  return {ToBitmap(fitted.picture), fitted.fault};
}

}  // namespace mirel
