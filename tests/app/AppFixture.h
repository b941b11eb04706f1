#pragma once
// A whole window over a real Form1, with silent sound, a record file in a
// temporary folder and the real Qt host. The window records where input went.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "app/Form1Window.h"
#include "app/QtHost.h"
#include "menu/Form1.h"
#include "sound/AudioBackend.h"
#include "sound/Mci.h"
#include "support/Zentik11.h"

namespace mirel::test {

struct MouseDown {
  std::int16_t button;
  std::int16_t shift;
  float x;
  float y;
};

class SpyWindow : public Form1Window {
 public:
  using Form1Window::Form1Window;
  std::vector<MouseDown> downs;
  std::vector<std::int16_t> clicks;

 protected:
  void Dispatch(const Route& route) override {
    if (route.to == Route::To::Board) downs.push_back({route.button, route.shift, route.x, route.y});
    if (route.to == Route::To::Label) clicks.push_back(route.label);
    Form1Window::Dispatch(route);
  }
};

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    const std::filesystem::path folder = folder_.path().toStdString();
    lib_ = std::make_unique<Zentik11>(mci_, folder / "Mirel.mtt");
    lib_->SoundSet(1, (folder / "Sound1.wav").string(), false);
    lib_->SoundSet(2, (folder / "Sound2.wav").string(), false);
    form_ = std::make_unique<Form1>(host_, *lib_);
    window_ = std::make_unique<SpyWindow>(*form_);
    host_.SetWindow(window_.get());
    form_->Form_Load();
    form_->SeedRandom(20240607);
    window_->SyncLabels();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }
  void TearDown() override {
    host_.SetWindow(nullptr);
    window_.reset();
    form_.reset();
    lib_.reset();
  }

  QWindow* Handle() const { return window_->windowHandle(); }
  void Click(QPoint at) { QTest::mouseClick(Handle(), Qt::LeftButton, {}, at); }
  void DoubleClick(QPoint at) { QTest::mouseDClick(Handle(), Qt::LeftButton, {}, at); }
  QPoint CentreOf(int label) const { return window_->Label(label)->geometry().center(); }

  int PlayCount(const char* alias) const {
    const std::string prefix = std::string("play \"") + alias + "\"";
    int n = 0;
    for (const auto& entry : mci_.Log()) n += entry.command.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }

  QTemporaryDir folder_;
  SilentAudioBackend audio_;
  MciInterpreter mci_{audio_, CommandLog::Kept};
  std::unique_ptr<Zentik11> lib_;
  QtHost host_;
  std::unique_ptr<Form1> form_;
  std::unique_ptr<SpyWindow> window_;
};

}  // namespace mirel::test
