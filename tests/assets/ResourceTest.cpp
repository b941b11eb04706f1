// What a program linking mirel_assets carries inside itself: the pictures as
// committed, and a label font that can draw every caption and message.

#include <gtest/gtest.h>

#include <QFile>
#include <QRawFont>

#include "assets/Assets.h"
#include "tests/assets/AssetFiles.h"

namespace mirel::test {
namespace {

TEST(Resources, HoldTheCommittedFiles) {
  const struct {
    QString resource;
    const char* file;
  } kFiles[] = {
      {assets::kBackdrop, "pictures/Backdrop.bmp"}, {assets::Relief(1), "pictures/Relief1.bmp"},
      {assets::Relief(2), "pictures/Relief2.bmp"},  {assets::Relief(3), "pictures/Relief3.bmp"},
      {assets::Relief(4), "pictures/Relief4.bmp"},  {assets::kLabelFont, "fonts/MochiyPopOne-Regular.ttf"}};
  for (const auto& f : kFiles) {
    ASSERT_TRUE(QFile::exists(f.resource)) << f.resource.toStdString();
    EXPECT_EQ(ReadResource(f.resource), ReadFile(SourceAssets() / f.file)) << f.file;
  }
}

TEST(LabelFont, DrawsEveryCaptionAndMessage) {
  QFile file(assets::kLabelFont);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QRawFont font(file.readAll(), 21.0);
  ASSERT_TRUE(font.isValid());
  EXPECT_EQ(font.familyName(), "Mochiy Pop One");
  const QString texts[] = {"ミレル",
                           "付属の素材で遊ぶ♪",
                           "手持ちの素材で遊ぶ♪",
                           "素人レベル",
                           "初心者レベル",
                           "学生レベル",
                           "考古学者レベル",
                           "戻る",
                           "サウンド・オン",
                           "サウンド・オフ",
                           "修復成功！おめでとうございます。",
                           "タイトルに戻りますか？"};
  for (const QString& text : texts) {
    for (const QChar c : text) EXPECT_TRUE(font.supportsCharacter(c)) << text.toStdString();
  }
  // It ships under its licence.
  EXPECT_FALSE(ReadFile(SourceAssets() / "fonts/OFL.txt").empty());
}

}  // namespace
}  // namespace mirel::test
