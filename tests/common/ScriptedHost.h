#pragma once
// A Host for tests: answers come from a script, every call is logged with its
// arguments. Shared by the tests of every layer.
//
//   ScriptedHost host;
//   host.QueueAnswer(MsgAnswer::Ok);           // the next message box answers OK
//   host.QueueFile("/some/picture.bmp");       // the next open-file dialog picks this
//   ... drive the game ...
//   EXPECT_EQ(host.Count(HostCall::Kind::Refresh), 1);
//
// With nothing queued, a message box answers its default button (as if the
// player pressed Enter) and a file dialog is cancelled. A queued answer that is
// not one of the offered buttons is a mistake in the test and throws.

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Host.h"

namespace mirel {

struct HostCall {
  enum class Kind { MessageBox, OpenFileDialog, Sleep, DoEvents, Refresh, Busy };
  Kind kind = Kind::Refresh;
  // MessageBox: text, buttons, defaultButton, title and the answer given.
  // OpenFileDialog: title (in title), filter, and the path given (in path).
  std::string text;
  MsgButtons buttons = MsgButtons::Ok;
  MsgAnswer defaultButton = MsgAnswer::Ok;
  MsgAnswer answer = MsgAnswer::Ok;
  std::string title;
  FileFilter filter;
  std::optional<std::string> path;
  int milliseconds = 0;  // Sleep
  bool on = false;       // Busy
};

class ScriptedHost : public Host {
 public:
  // --- Script -------------------------------------------------------------
  void QueueAnswer(MsgAnswer a) { answers_.push_back(a); }
  void QueueFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
  void QueueCancel() { files_.push_back(std::nullopt); }
  void ClearScript() {
    answers_.clear();
    files_.clear();
  }
  std::size_t PendingAnswers() const { return answers_.size(); }
  std::size_t PendingFiles() const { return files_.size(); }

  // Optional hooks, run after the call is logged. onMessageBox, when set and the
  // queue is empty, decides the answer (e.g. at random).
  std::function<MsgAnswer(const HostCall&)> onMessageBox;
  std::function<void(int)> onSleep;
  std::function<void()> onDoEvents;
  std::function<void()> onRefresh;

  // Keep only counts, not the calls themselves (long random runs).
  bool keepLog = true;

  // --- Log ----------------------------------------------------------------
  const std::vector<HostCall>& Calls() const { return log_; }
  std::vector<HostCall> Calls(HostCall::Kind kind) const {
    std::vector<HostCall> out;
    for (const auto& c : log_)
      if (c.kind == kind) out.push_back(c);
    return out;
  }
  std::size_t Count(HostCall::Kind kind) const { return counts_[std::size_t(kind)]; }
  // The kinds of the logged calls in order, for sequence checks.
  std::vector<HostCall::Kind> Kinds() const {
    std::vector<HostCall::Kind> out;
    for (const auto& c : log_) out.push_back(c.kind);
    return out;
  }
  void ClearLog() {
    log_.clear();
    for (auto& n : counts_) n = 0;
  }

  // --- Host ---------------------------------------------------------------
  MsgAnswer MessageBox(const std::string& text, MsgButtons buttons, MsgAnswer defaultButton,
                       const std::string& title) override {
    HostCall call = Make(HostCall::Kind::MessageBox);
    call.text = text;
    call.buttons = buttons;
    call.defaultButton = defaultButton;
    call.title = title;
    if (!answers_.empty()) {
      call.answer = answers_.front();
      answers_.pop_front();
    } else if (onMessageBox) {
      call.answer = onMessageBox(call);
    } else {
      call.answer = buttons == MsgButtons::Ok ? MsgAnswer::Ok : defaultButton;
    }
    if (!Fits(call.answer, buttons))
      throw std::logic_error("ScriptedHost: scripted answer is not a button of this message box: " + text);
    Record(call);
    return call.answer;
  }

  std::optional<std::string> OpenFileDialog(const std::string& title, const FileFilter& filter) override {
    HostCall call = Make(HostCall::Kind::OpenFileDialog);
    call.title = title;
    call.filter = filter;
    if (!files_.empty()) {
      call.path = files_.front();
      files_.pop_front();
    }
    Record(call);
    return call.path;
  }

  void Sleep(int milliseconds) override {
    HostCall call = Make(HostCall::Kind::Sleep);
    call.milliseconds = milliseconds;
    Record(call);
    if (onSleep) onSleep(milliseconds);
  }

  void DoEvents() override {
    Record(Make(HostCall::Kind::DoEvents));
    if (onDoEvents) onDoEvents();
  }

  void Refresh() override {
    Record(Make(HostCall::Kind::Refresh));
    if (onRefresh) onRefresh();
  }

  void Busy(bool on) override {
    HostCall call = Make(HostCall::Kind::Busy);
    call.on = on;
    Record(call);
  }

 private:
  static HostCall Make(HostCall::Kind kind) {
    HostCall call;
    call.kind = kind;
    return call;
  }
  static bool Fits(MsgAnswer a, MsgButtons b) {
    return b == MsgButtons::Ok ? a == MsgAnswer::Ok : (a == MsgAnswer::Yes || a == MsgAnswer::No);
  }
  void Record(const HostCall& call) {
    ++counts_[std::size_t(call.kind)];
    if (keepLog) log_.push_back(call);
  }

  std::deque<MsgAnswer> answers_;
  std::deque<std::optional<std::string>> files_;
  std::vector<HostCall> log_;
  std::size_t counts_[6] = {};
};

}  // namespace mirel
