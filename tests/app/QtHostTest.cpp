// The Qt host's dialogs: what the player is shown and what comes back.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <functional>
#include <memory>

#include "AppFixture.h"
#include "app/QtTranslations.h"

namespace mirel::test {
namespace {

TEST(DialogFilterTest, OffersEveryPatternInBothCases) {
  const FileFilter filter{"画像ファイル", {"*.bmp", "*.gif", "*.jpg", "*.jpeg"}};
  EXPECT_EQ(DialogFilter(filter),
            QStringLiteral("画像ファイル (*.bmp *.gif *.jpg *.jpeg *.BMP *.GIF *.JPG *.JPEG)"));
  // A pattern already in upper case is not offered twice.
  EXPECT_EQ(DialogFilter({"x", {"*.BMP"}}), QStringLiteral("x (*.BMP)"));
}

// Runs `check` on the message box once it is open, then presses `answer`.
void WhenBoxOpens(std::function<void(QMessageBox&)> check, QMessageBox::StandardButton answer) {
  QTimer::singleShot(0, [check, answer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    check(*box);
    box->button(answer)->click();
  });
}

using QtHostTest = AppFixture;

TEST_F(QtHostTest, YesNoQuestionHasNoIconAndTheAskedDefault) {
  WhenBoxOpens(
      [](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("ミレル"));
        EXPECT_EQ(box.text(), QStringLiteral("タイトルに戻りますか？"));
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()), box.button(QMessageBox::Yes));
      },
      QMessageBox::No);
  EXPECT_EQ(host_.MessageBox("タイトルに戻りますか？", MsgButtons::YesNo, MsgAnswer::Yes, "ミレル"),
            MsgAnswer::No);

  WhenBoxOpens(
      [](QMessageBox& box) {
        EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()), box.button(QMessageBox::No));
      },
      QMessageBox::Yes);
  EXPECT_EQ(host_.MessageBox("?", MsgButtons::YesNo, MsgAnswer::No, "ミレル"), MsgAnswer::Yes);
}

TEST_F(QtHostTest, MessageWithOkOnly) {
  WhenBoxOpens(
      [](QMessageBox& box) {
        EXPECT_EQ(box.text(), QStringLiteral("修復成功！おめでとうございます。"));
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
      },
      QMessageBox::Ok);
  EXPECT_EQ(host_.MessageBox("修復成功！おめでとうございます。", MsgButtons::Ok, MsgAnswer::Ok, "ミレル"),
            MsgAnswer::Ok);
}

TEST_F(QtHostTest, QuestionButtonsSpeakTheDesktopsLanguage) {
  QTranslator* japanese = InstallQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan));
  ASSERT_NE(japanese, nullptr);
  WhenBoxOpens(
      [](QMessageBox& box) {
        EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
        EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
      },
      QMessageBox::Yes);
  EXPECT_EQ(host_.MessageBox("タイトルに戻りますか？", MsgButtons::YesNo, MsgAnswer::Yes, "ミレル"),
            MsgAnswer::Yes);
  const std::unique_ptr<QTranslator> done(japanese);
  QCoreApplication::removeTranslator(japanese);
}

}  // namespace
}  // namespace mirel::test
