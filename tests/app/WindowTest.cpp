// The window as the player first sees it: the backdrop 1:1 with the title
// labels over it at their places, in a fixed 400 x 400 client area.

#include <QFontInfo>
#include <QImage>
#include <QRegion>

#include "AppFixture.h"
#include "assets/Assets.h"
#include "platform/QtBitmap.h"

namespace mirel::test {
namespace {

using WindowTest = AppFixture;

QImage Backdrop() {
  const assets::Bytes file = assets::Backdrop();
  return QImage::fromData(file.data(), int(file.size())).convertToFormat(QImage::Format_RGB32);
}

TEST_F(WindowTest, TitleScreenShowsBackdropOutsideTheVisibleLabels) {
  const QImage shown = window_->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage backdrop = Backdrop();
  ASSERT_EQ(shown.size(), QSize(400, 400));
  ASSERT_EQ(backdrop.size(), QSize(400, 400));

  QRegion labels;
  for (int i = 0; i < kLabelCount; ++i)
    if (window_->Label(i)->isVisible()) labels += window_->Label(i)->geometry();

  int differing = 0;
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x)
      if (!labels.contains(QPoint(x, y)) && shown.pixel(x, y) != backdrop.pixel(x, y)) ++differing;
  EXPECT_EQ(differing, 0);

  // Each visible label really draws its text over the backdrop.
  for (int i : {0, 1, 2, 8}) {
    const QRect box = window_->Label(i)->geometry() & QRect(0, 0, 400, 400);
    int ink = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
      for (int x = box.left(); x <= box.right(); ++x) ink += shown.pixel(x, y) != backdrop.pixel(x, y);
    EXPECT_GT(ink, 50) << "label " << i;
  }
}

TEST_F(WindowTest, LabelsStartAtTheirPlacesWithTheTitleScreenShowing) {
  for (int i = 0; i < kLabelCount; ++i) {
    const LabelDesign& design = kLabelDesign[std::size_t(i)];
    const QLabel* label = window_->Label(i);
    EXPECT_EQ(label->pos(), QPoint(design.left, design.top)) << "label " << i;
    EXPECT_EQ(label->isVisible(), design.visibleAtStart) << "label " << i;
    EXPECT_EQ(label->text(), QString::fromUtf8(design.caption)) << "label " << i;
    EXPECT_EQ(label->font().italic(), i != 0) << "label " << i;
    EXPECT_FALSE(label->autoFillBackground()) << "label " << i;
    const QString family = QFontInfo(label->font()).family();
    EXPECT_TRUE(family == QString::fromUtf8(kLabelFontFamily) ||
                family == QString::fromUtf8(kFallbackFontFamily))
        << "label " << i << " shows in " << family.toStdString();
    // One em tall, so the bottom labels stay inside the window.
    EXPECT_EQ(label->height(), design.pixelSize) << "label " << i;
    // Sized to its text: the caption fits without being cut.
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << "label " << i;
  }
  EXPECT_EQ(window_->Label(0)->palette().color(QPalette::WindowText), QColor(Qt::black));
  // The sound switch runs past the right edge; the rest is clipped.
  EXPECT_GT(window_->Label(8)->geometry().right(), 399);
}

TEST_F(WindowTest, TheHostsRefreshShowsTheKeptImageAndLabelsAsTheGameLeftThem) {
  // Handlers called on the game directly, not through the window: only the
  // host's refresh brings what they changed to the screen.
  form_->Label1_Click(8);
  host_.Refresh();
  EXPECT_EQ(window_->Label(8)->text(), QString::fromUtf8(kSoundOffCaption));
  EXPECT_GE(window_->Label(8)->width(),
            window_->Label(8)->fontMetrics().horizontalAdvance(window_->Label(8)->text()));

  form_->Label1_Click(1);
  form_->Label1_Click(3);  // the new game refreshes by itself
  for (int i = 0; i < kLabelCount; ++i) EXPECT_FALSE(window_->Label(i)->isVisible()) << "label " << i;
  const QImage shown = window_->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown, QtView(form_->Controls().Window.Image()));
}

}  // namespace
}  // namespace mirel::test
