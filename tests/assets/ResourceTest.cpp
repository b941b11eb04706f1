// What a program linking mirel_assets carries inside itself: the pictures as
// committed, and a label font that can draw every caption.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QRawFont>
#include <QStringList>

#include "assets/Assets.h"
#include "menu/LabelTable.h"
#include "tests/assets/AssetFiles.h"

namespace mirel::test {
namespace {

TEST(Resources, HoldTheCommittedFiles) {
  const struct {
    assets::Bytes bytes;
    const char* file;
  } kFiles[] = {
      {assets::Backdrop(), "pictures/Backdrop.bmp"}, {assets::Relief(1), "pictures/Relief1.bmp"},
      {assets::Relief(2), "pictures/Relief2.bmp"},   {assets::Relief(3), "pictures/Relief3.bmp"},
      {assets::Relief(4), "pictures/Relief4.bmp"},   {assets::LabelFont(), "fonts/MochiyPopOne-Regular.ttf"}};
  for (const auto& f : kFiles)
    EXPECT_EQ(Bytes(f.bytes.begin(), f.bytes.end()), ReadFile(SourceAssets() / f.file)) << f.file;
  EXPECT_TRUE(assets::Relief(0).empty());
  EXPECT_TRUE(assets::Relief(assets::kReliefCount + 1).empty());
}

// The fonts are cut down to the labels' characters; a caption changed without
// regenerating them would show a missing glyph. The program carries one, the
// Windows program the other.
TEST(LabelFont, DrawsEveryCharacterTheLabelsShow) {
  QStringList captions{QString::fromUtf8(kSoundOffCaption)};
  for (const auto& label : kLabelDesign) captions << QString::fromUtf8(label.caption);
  for (const char* file : {"fonts/MochiyPopOne-Regular.ttf", "fonts/MochiyPopOne-Labels.ttf"}) {
    const Bytes bytes = ReadFile(SourceAssets() / file);
    const QRawFont font(QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())), 21.0);
    ASSERT_TRUE(font.isValid()) << file;
    EXPECT_EQ(font.familyName(), kFallbackFontFamily) << file;
    for (const QString& caption : captions)
      for (const QChar c : caption) EXPECT_TRUE(font.supportsCharacter(c)) << file << ": " << caption.toStdString();
  }
  // It ships under its licence.
  EXPECT_FALSE(ReadFile(SourceAssets() / "fonts/OFL.txt").empty());
}

}  // namespace
}  // namespace mirel::test
