#pragma once
// The humble window: shows the game's kept image 1:1, hosts the nine menu labels
// as real child widgets and hands presses and label clicks to Form1. It decides
// nothing; after every handler it mirrors the labels and repaints at once.

#include <QLabel>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "menu/LabelTable.h"

namespace mirel {

class Form1;

// Button and shift state in the classic numbering: left 1, right 2, middle 4;
// shift 1, ctrl 2, alt 4. Zero for a button the game does not know.
std::int16_t ClassicButton(Qt::MouseButton button);
std::int16_t ClassicShift(Qt::KeyboardModifiers modifiers);

// A menu label: a transparent, self-sizing text that reports a press and
// release of the left button on itself as one click.
class MenuLabel : public QLabel {
 public:
  MenuLabel(int index, QWidget* parent, std::function<void(int)> onClick);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  int index_;
  bool pressed_ = false;
  std::function<void(int)> onClick_;
};

class Form1Window : public QWidget {
 public:
  explicit Form1Window(Form1& form, QWidget* parent = nullptr);

  // Mirrors captions and visibility from the game's label states.
  void SyncLabels();
  // Mirrors the labels and repaints from the kept image now, not at the next event loop turn.
  void RefreshNow();
  // Places the window in the middle of its screen's available area.
  void CentreOnScreen();

  QLabel* Label(int index) const { return labels_.at(std::size_t(index)).get(); }

 protected:
  // Where input goes; virtual so a test can watch the routing.
  virtual void DispatchMouseDown(std::int16_t button, std::int16_t shift, float x, float y);
  virtual void DispatchLabelClick(std::int16_t index);

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Runs one game handler; a run-time error ends the program as the runtime would.
  void RunHandler(const std::function<void()>& handler);

  Form1& form_;
  // Children that go before the window does, which then has nothing left to delete.
  std::array<std::unique_ptr<MenuLabel>, kLabelCount> labels_;
};

}  // namespace mirel
