#pragma once
// The humble window: shows the game's kept image 1:1, hosts the nine menu labels
// as real child widgets (which screen readers find) and hands the mouse to the
// menu's pointer input. It decides nothing; after every handler it mirrors the
// labels and repaints at once.

#include <QLabel>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "menu/LabelTable.h"
#include "menu/PointerInput.h"

namespace mirel {

class Form1;

// Button and shift state in the classic numbering: left 1, right 2, middle 4;
// shift 1, ctrl 2, alt 4. Zero for a button the game does not know.
std::int16_t ClassicButton(Qt::MouseButton button);
std::int16_t ClassicShift(Qt::KeyboardModifiers modifiers);

// A menu label: a transparent text in the label's type, placed by the menu's
// layout. The mouse passes through it to the window, which routes it.
class MenuLabel : public QLabel {
 public:
  MenuLabel(int index, QWidget* parent);
  // Takes the box and baseline the layout gives.
  void Place(const LabelBox& box);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double baseline_ = 0;
};

class Form1Window : public QWidget {
 public:
  explicit Form1Window(Form1& form, QWidget* parent = nullptr);

  // Mirrors captions, places and visibility from the menu's label states.
  void SyncLabels();
  // Mirrors the labels and repaints from the kept image now, not at the next event loop turn.
  void RefreshNow();
  // Places the window in the middle of its screen's available area.
  void CentreOnScreen();

  QLabel* Label(int index) const { return labels_.at(std::size_t(index)).get(); }

 protected:
  // Runs where the mouse went and repaints, or ends the program after a
  // run-time error; virtual so a test can watch the routing.
  virtual void Dispatch(const Route& route);

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Form1& form_;
  // Children that go before the window does, which then has nothing left to delete.
  std::array<std::unique_ptr<MenuLabel>, kLabelCount> labels_;
  PointerInput input_;
};

}  // namespace mirel
