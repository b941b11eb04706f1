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

MenuLabel::MenuLabel(int index, QWidget* parent) : QLabel(parent) {
  const LabelDesign& design = kLabelDesign.at(std::size_t(index));
  setTextFormat(Qt::PlainText);
  setAutoFillBackground(false);  // only the text is drawn, over the kept image
  setAttribute(Qt::WA_TransparentForMouseEvents);

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
}

void MenuLabel::Place(const LabelBox& box) {
  baseline_ = box.baseline;
  setGeometry(box.left, box.top, box.width, box.height);
}

void MenuLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(QPointF(0, baseline_), text());
}

Form1Window::Form1Window(Form1& form, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      form_(form),
      input_(form, [this](int index, const std::string& caption) {
        return labels_[std::size_t(index)]->fontMetrics().horizontalAdvance(QString::fromStdString(caption));
      }) {
  setWindowTitle(QString::fromUtf8(kTitle));
  setFixedSize(kClientSize, kClientSize);
  // Every pixel comes from the kept image, so the toolkit need not clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(kFaceColour));
  setPalette(palette);
  setFocusPolicy(Qt::NoFocus);

  for (int i = 0; i < kLabelCount; ++i) labels_[std::size_t(i)] = std::make_unique<MenuLabel>(i, this);
  SyncLabels();
}

void Form1Window::SyncLabels() {
  for (int i = 0; i < kLabelCount; ++i) {
    MenuLabel* label = labels_[std::size_t(i)].get();
    const LabelState& state = form_.Menu().Label1[std::size_t(i)];
    const QString caption = QString::fromStdString(state.Caption);
    if (label->text() != caption || label->size().isEmpty()) {
      label->setText(caption);
      label->Place(input_.Box(i));
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

void Form1Window::Dispatch(const Route& route) {
  const Handled handled = input_.Run(route);
  if (handled.then == Handled::Then::Repaint) RefreshNow();
  if (handled.then != Handled::Then::End) return;
  // Qt cannot carry an exception through its event loop.
  QMessageBox::critical(this, QString::fromUtf8(kTitle), QString::fromStdString(handled.error));
  QCoreApplication::exit(1);
}

void Form1Window::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.drawImage(area, QtView(form_.Controls().Window.Image()), area);
}

void Form1Window::mousePressEvent(QMouseEvent* event) {
  event->accept();
  const QPointF at = event->position();
  Dispatch(input_.Press(ClassicButton(event->button()), ClassicShift(event->modifiers()), at.x(), at.y()));
}

void Form1Window::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  const QPointF at = event->position();
  Dispatch(input_.Release(ClassicButton(event->button()), at.x(), at.y()));
}

// A double-click's second press is not a press; the default would make it one.
void Form1Window::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

// The window takes no keyboard input of its own.
void Form1Window::keyPressEvent(QKeyEvent* event) { event->accept(); }

}  // namespace mirel
