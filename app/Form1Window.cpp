#include "Form1Window.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <exception>

#include "menu/Form1.h"
#include "platform/QtBitmap.h"

namespace mirel {

std::int16_t ClassicButton(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return 1;
    case Qt::RightButton:
      return 2;
    case Qt::MiddleButton:
      return 4;
    default:
      return 0;
  }
}

std::int16_t ClassicShift(Qt::KeyboardModifiers modifiers) {
  std::int16_t shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= 1;
  if (modifiers & Qt::ControlModifier) shift |= 2;
  if (modifiers & Qt::AltModifier) shift |= 4;
  return shift;
}

MenuLabel::MenuLabel(int index, QWidget* parent, std::function<void(int)> onClick)
    : QLabel(parent), index_(index), onClick_(std::move(onClick)) {
  const LabelDesign& design = kLabelDesign.at(std::size_t(index));
  setTextFormat(Qt::PlainText);
  setAutoFillBackground(false);  // only the text is drawn, over the kept image

  QFont font;
  font.setFamilies({QString::fromUtf8(kLabelFontFamily), QString::fromUtf8(kFallbackFontFamily)});
  font.setPixelSize(design.pixelSize);
  font.setItalic(design.italic);
  font.setWeight(QFont::Normal);
  // Either family holds every glyph of every caption, so the slow search for
  // fallback fonts can be skipped; it is needed only when neither is there.
  font.setStyleStrategy(QFont::NoFontMerging);
  const QString found = QFontInfo(font).family();
  if (found != QString::fromUtf8(kLabelFontFamily) && found != QString::fromUtf8(kFallbackFontFamily))
    font.setStyleStrategy(QFont::PreferDefault);
  setFont(font);

  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, QColor::fromRgb(QRgb(design.rgb)));
  setPalette(palette);

  move(design.left, design.top);
}

// The menu is laid out for type whose line is one em high, as the labels'
// places and the window's edge assume: the box is one em tall and the text's
// ideographic em box fills it. A font with a taller line would otherwise push
// the bottom labels past the window's edge.
constexpr qreal kEmAscent = 0.88;  // the em box's top above the baseline, in ems

QSize MenuLabel::sizeHint() const {
  const int em = font().pixelSize();
  // Italic type leans past its advance; leave room so the last glyph is not cut.
  const int lean = font().italic() ? (em + 3) / 4 : 0;
  return {fontMetrics().horizontalAdvance(text()) + lean, em};
}

void MenuLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(QPointF(0, kEmAscent * font().pixelSize()), text());
}

// The press belongs to the label whatever the button, so it never reaches the window.
void MenuLabel::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton) pressed_ = true;
}

void MenuLabel::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (rect().contains(event->position().toPoint())) onClick_(index_);
}

// The second press of a double-click is no press: without this override the
// base class would treat it as one and a quick double-click would click twice.
void MenuLabel::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

Form1Window::Form1Window(Form1& form, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      form_(form) {
  setWindowTitle(QString::fromUtf8(kTitle));
  setFixedSize(kClientSize, kClientSize);
  // Every pixel comes from the kept image, so the toolkit need not clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(kFaceColour));
  setPalette(palette);
  setFocusPolicy(Qt::NoFocus);

  for (int i = 0; i < kLabelCount; ++i) {
    labels_[std::size_t(i)] =
        std::make_unique<MenuLabel>(i, this, [this](int index) { DispatchLabelClick(std::int16_t(index)); });
  }
  SyncLabels();
}

void Form1Window::SyncLabels() {
  for (int i = 0; i < kLabelCount; ++i) {
    MenuLabel* label = labels_[std::size_t(i)].get();
    const LabelState& state = form_.Menu().Label1[std::size_t(i)];
    const QString caption = QString::fromStdString(state.Caption);
    if (label->text() != caption || label->size().isEmpty()) {
      label->setText(caption);
      label->adjustSize();
    }
    if (label->isVisibleTo(this) != state.Visible) label->setVisible(state.Visible);
  }
}

void Form1Window::RefreshNow() {
  SyncLabels();
  repaint();
}

void Form1Window::CentreOnScreen() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  setGeometry(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2, width(),
              height());
}

void Form1Window::DispatchMouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
  RunHandler([&] { form_.Form_MouseDown(button, shift, x, y); });
}

void Form1Window::DispatchLabelClick(std::int16_t index) {
  RunHandler([&] { form_.Label1_Click(index); });
}

void Form1Window::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.drawImage(area, QtView(form_.Controls().Window.Image()), area);
}

void Form1Window::mousePressEvent(QMouseEvent* event) {
  event->accept();
  const std::int16_t button = ClassicButton(event->button());
  if (button == 0) return;
  const QPointF at = event->position();
  DispatchMouseDown(button, ClassicShift(event->modifiers()), float(at.x()), float(at.y()));
}

// A double-click's second press is not a press; the default would make it one.
void Form1Window::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

// The window takes no keyboard input of its own.
void Form1Window::keyPressEvent(QKeyEvent* event) { event->accept(); }

void Form1Window::RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    // An unhandled run-time error ends the program after saying what happened;
    // Qt cannot carry an exception through its event loop.
    QMessageBox::critical(this, QString::fromUtf8(kTitle),
                          QStringLiteral("実行時エラー: %1").arg(QString::fromUtf8(error.what())));
    QCoreApplication::exit(1);
    return;
  }
  RefreshNow();
}

}  // namespace mirel
