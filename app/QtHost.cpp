#include "QtHost.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>
#include <QThread>

#include "Form1Window.h"

namespace mirel {

QString DialogFilter(const FileFilter& filter) {
  QStringList patterns;
  for (const std::string& pattern : filter.patterns) patterns << QString::fromStdString(pattern);
  for (const std::string& pattern : filter.patterns) {
    const QString upper = QString::fromStdString(pattern).toUpper();
    if (!patterns.contains(upper)) patterns << upper;
  }
  return QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.description), patterns.join(u' '));
}

MsgAnswer QtHost::MessageBox(const std::string& text, MsgButtons buttons, MsgAnswer defaultButton,
                             const std::string& title) {
  QMessageBox box(window_);
  box.setIcon(QMessageBox::NoIcon);
  box.setWindowTitle(QString::fromStdString(title));
  box.setText(QString::fromStdString(text));
  box.setTextFormat(Qt::PlainText);
  if (buttons == MsgButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultButton == MsgAnswer::No ? QMessageBox::No : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
  }
  box.exec();
  if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
  return box.clickedButton() == box.button(QMessageBox::Yes) ? MsgAnswer::Yes : MsgAnswer::No;
}

std::optional<std::string> QtHost::OpenFileDialog(const std::string& title, const FileFilter& filter) {
  const QString path =
      QFileDialog::getOpenFileName(window_, QString::fromStdString(title), QString(), DialogFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

void QtHost::Sleep(int milliseconds) {
  // What was last drawn stays on screen for the whole pause: repainting sends
  // it to the display at once. Input that comes meanwhile waits until after.
  if (window_) window_->RefreshNow();
  if (milliseconds > 0) QThread::msleep(static_cast<unsigned long>(milliseconds));
}

void QtHost::DoEvents() { QCoreApplication::processEvents(); }

bool QtHost::CloseRequested() {
  return window_ && window_->testAttribute(Qt::WA_WState_ExplicitShowHide) && !window_->isVisible();
}

// An override cursor: it covers every window of the program, and changing it
// repaints nothing.
void QtHost::Busy(bool on) {
  if (on)
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QGuiApplication::restoreOverrideCursor();
}

void QtHost::Refresh() {
  if (window_) window_->RefreshNow();
}

}  // namespace mirel
