// The built-in pictures as the menu loads them are the pictures Qt reads.

#include <QImage>

#include "MenuFixture.h"
#include "assets/Assets.h"
#include "platform/QtBitmap.h"

namespace mirel {
namespace {

TEST(Form1Build, ReadsTheBuiltInPicturesAsQtDoes) {
  ScriptedHost host;
  SoundRig sound;
  Form1 form(host, sound.lib);
  const auto asQtReadsIt = [](assets::Bytes file) {
    return ToBitmap(QImage::fromData(file.data(), int(file.size())));
  };
  EXPECT_EQ(form.Controls().Picture2.Image(), asQtReadsIt(assets::Backdrop()));
  form.Form_Load();
  for (int i = 0; i < assets::kReliefCount; ++i) {
    form.StartLevel(1, i);
    EXPECT_EQ(form.Controls().Picture3[std::size_t(i)].Image(), asQtReadsIt(assets::Relief(i + 1))) << i;
  }
}

}  // namespace
}  // namespace mirel
