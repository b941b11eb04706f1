// What a program linking mirel_assets carries inside itself: the pictures as
// committed, and a label font that can draw every caption.

#include <gtest/gtest.h>

#include <QFile>
#include <QRawFont>
#include <QStringList>

#include "assets/Assets.h"
#include "menu/LabelTable.h"
#include "tests/assets/AssetFiles.h"

namespace mirel::test {
namespace {

TEST(Resources, HoldTheCommittedFiles) {
  const struct {
    std::string resource;
    const char* file;
  } kFiles[] = {
      {assets::kBackdrop, "pictures/Backdrop.bmp"}, {assets::Relief(1), "pictures/Relief1.bmp"},
      {assets::Relief(2), "pictures/Relief2.bmp"},  {assets::Relief(3), "pictures/Relief3.bmp"},
      {assets::Relief(4), "pictures/Relief4.bmp"},  {assets::kLabelFont, "fonts/MochiyPopOne-Regular.ttf"}};
  for (const auto& f : kFiles) {
    ASSERT_TRUE(QFile::exists(QString::fromStdString(f.resource))) << f.resource;
    EXPECT_EQ(ReadResource(QString::fromStdString(f.resource)), ReadFile(SourceAssets() / f.file)) << f.file;
  }
}

// The font is cut down to the labels' characters; a caption changed without
// regenerating it would show a missing glyph.
TEST(LabelFont, DrawsEveryCharacterTheLabelsShow) {
  QFile file(assets::kLabelFont);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QRawFont font(file.readAll(), 21.0);
  ASSERT_TRUE(font.isValid());
  EXPECT_EQ(font.familyName(), kFallbackFontFamily);
  QStringList captions{QString::fromUtf8(kSoundOffCaption)};
  for (const auto& label : kLabelDesign) captions << QString::fromUtf8(label.caption);
  for (const QString& caption : captions)
    for (const QChar c : caption) EXPECT_TRUE(font.supportsCharacter(c)) << caption.toStdString();
  // It ships under its licence.
  EXPECT_FALSE(ReadFile(SourceAssets() / "fonts/OFL.txt").empty());
}

}  // namespace
}  // namespace mirel::test
