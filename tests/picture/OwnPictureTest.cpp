// The player's own picture through the window's handlers: the dialog, the
// fitting into the 300 x 300 box, the game it is used for, and every kind of
// file that must leave the title screen as it was.

#include <gtest/gtest.h>

#include <algorithm>

#include <set>
#include <string>

#include "menu/Form1.h"
#include "picture/ModuleLoader.h"
#include "platform/QtBitmap.h"
#include "tests/common/Screens.h"
#include "tests/common/ScriptedHost.h"
#include "tests/common/SoundRig.h"
#include "tests/picture/PictureKit.h"

namespace mirel {
namespace {

using Kind = HostCall::Kind;
constexpr int kOwn = 4;

// Everything a failed or cancelled choice must leave as it was.
struct Snapshot {
  explicit Snapshot(const Form1& f)
      : labels(VisibleLabels(f)),
        pictureNo(f.State().PictureNo),
        own(f.State().OwnPicture),
        box(f.Controls().Picture3[kOwn].Image()),
        window(f.Controls().Window.Image()) {}
  bool operator==(const Snapshot&) const = default;
  std::string labels;
  std::int32_t pictureNo;
  bool own;
  Bitmap box, window;
};

class OwnPictureTest : public ::testing::Test {
 protected:
  OwnPictureTest() : form(host, sound.lib) {
    picture::SetModulePath(MIREL_MODULE);
    form.Form_Load();
    form.SeedRandom(4711);
  }

  std::string Put(const std::string& name, const QByteArray& bytes) {
    return pics::WriteFile(sound.folder.Path() / name, bytes).toStdString();
  }

  // Title screen, "手持ちの素材で遊ぶ♪", the dialog answers with path.
  void Choose(const std::optional<std::string>& path) {
    host.QueueFile(path);
    form.Label1_Click(2);
  }

  // The prepared own picture: the inner 300 x 300 of a 304 x 304 box, seen
  // as long as the box keeps it.
  QImage Box() const { return QtView(form.Controls().Picture3[kOwn].Image()); }

  ScriptedHost host;
  SoundRig sound;
  Form1 form;
};

TEST_F(OwnPictureTest, TheDialogAsksForOnePictureFileThenLetsEventsRun) {
  Choose(std::nullopt);
  const auto& calls = host.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].kind, Kind::OpenFileDialog);
  EXPECT_EQ(calls[0].title, "素材を選ぶ");
  EXPECT_EQ(calls[0].filter.description, "画像ファイル");
  for (const char* pattern :
       {"*.bmp", "*.gif", "*.jpg", "*.jpeg", "*.png", "*.webp", "*.heic", "*.avif", "*.tif", "*.tiff"})
    EXPECT_NE(std::find(calls[0].filter.patterns.begin(), calls[0].filter.patterns.end(), pattern),
              calls[0].filter.patterns.end())
        << pattern;
  EXPECT_EQ(calls[1].kind, Kind::DoEvents);
}

// A load past the threshold (here at once) shows the busy cursor, then takes
// it away before anything else happens; a quick load shows nothing.
TEST_F(OwnPictureTest, ASlowLoadShowsTheBusyCursorForItsDuration) {
  const QByteArray png = pics::Encode(pics::PhotoLike(640, 480), "png");
  form.busyCursorAfterMs = 0;
  Choose(Put("own.png", png));
  ASSERT_EQ(VisibleLabels(form), kLevelScreen);
  const auto busy = host.Calls(Kind::Busy);
  ASSERT_EQ(busy.size(), 2u);
  EXPECT_TRUE(busy[0].on);
  EXPECT_FALSE(busy[1].on);
  // Meanwhile the window lives on: its events run, and nothing else happens.
  std::vector<Kind> kinds = host.Kinds();
  ASSERT_GE(kinds.size(), 5u);
  EXPECT_EQ(std::vector<Kind>(kinds.begin(), kinds.begin() + 3),
            (std::vector<Kind>{Kind::OpenFileDialog, Kind::DoEvents, Kind::Busy}));
  EXPECT_EQ(kinds.back(), Kind::Busy);
  EXPECT_EQ(std::count(kinds.begin() + 3, kinds.end() - 1, Kind::DoEvents), std::ptrdiff_t(kinds.size() - 4));

  form.Label1_Click(7);
  host.ClearLog();
  form.busyCursorAfterMs = 60'000;
  Choose(Put("own.png", png));
  EXPECT_EQ(host.Count(Kind::Busy), 0u);
}

TEST_F(OwnPictureTest, CancelOrNoNameKeepsTheTitleScreenAndEveryVariable) {
  const Snapshot before(form);
  Choose(std::nullopt);
  EXPECT_TRUE(Snapshot(form) == before);
  Choose("");
  EXPECT_TRUE(Snapshot(form) == before);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_EQ(host.Count(Kind::MessageBox), 0u);
}

// The box ends 304 x 304 for every picture: long sides squeezed to 300, short
// ones kept from the top-left with the face colour beyond.
TEST_F(OwnPictureTest, PicturesAreFittedIntoThe300Box) {
  struct Case {
    int w, h;
  };
  for (const Case& c : {Case{640, 480}, Case{100, 80}, Case{640, 200}, Case{300, 300}, Case{200, 640}}) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    const QImage source = pics::PhotoLike(c.w, c.h);
    Choose(Put("own.png", pics::Encode(source, "png")));
    ASSERT_EQ(VisibleLabels(form), kLevelScreen);
    EXPECT_EQ(form.State().PictureNo, kOwn);
    EXPECT_TRUE(form.State().OwnPicture);
    ASSERT_EQ(Box().size(), QSize(300, 300));  // inside the frame of a 304 x 304 box

    const int pw = std::min(c.w, 300), ph = std::min(c.h, 300);
    EXPECT_EQ(Box().copy(0, 0, pw, ph), pics::AreaAveraged(source, pw, ph));
    if (pw == c.w && ph == c.h) {
      EXPECT_TRUE(Box().copy(0, 0, pw, ph) == source);
    }
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 300; ++x) {
        if (x >= pw || y >= ph) {
          ASSERT_EQ(Box().pixel(x, y), kFaceColour) << x << "," << y;
        }
      }
    form.Label1_Click(7);
  }
}

// The preparation on its own, on a picture put into the box at full size:
// it squeezes by itself, smoothly.
TEST_F(OwnPictureTest, PreparationSqueezesWhateverTheBoxHolds) {
  QImage stripes(640, 200, QImage::Format_RGB32);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 640; ++x) stripes.setPixel(x, y, (x % 2) ? 0xFFFFFFFFu : 0xFF000000u);
  form.UseOwnPicture(ToBitmap(stripes));
  EXPECT_EQ(form.State().PictureNo, kOwn);
  EXPECT_TRUE(form.State().OwnPicture);
  EXPECT_EQ(form.Controls().Picture3[kOwn].Width(), 304);
  EXPECT_EQ(form.Controls().Picture3[kOwn].Height(), 304);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 300; ++x) {
      const QRgb p = Box().pixel(x, y);
      if (y < 200) {
        ASSERT_NEAR(qGreen(p), 128, 30) << x << "," << y;  // averaged, not picked
      } else {
        ASSERT_EQ(p, kFaceColour) << x << "," << y;
      }
    }
}

// Tile centres of a 3 x 3 board in the window.
std::vector<QRgb> CellCentres(const Form1& form) {
  std::vector<QRgb> out;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      out.push_back(form.Controls().Window.Pixel(kBoardLeft + 50 + 100 * c, kBoardTop + 50 + 100 * r));
  return out;
}

TEST_F(OwnPictureTest, TheNextGameShowsTheOwnPictureByPlainCopyOnce) {
  Choose(Put("blocks.bmp", pics::Encode(pics::Blocks(300), "bmp")));
  form.Label1_Click(3);
  EXPECT_TRUE(form.State().BoardActive);
  EXPECT_EQ(form.State().PictureNo, kOwn);
  EXPECT_FALSE(form.State().OwnPicture);
  // Eight tiles show their colour exactly (an AND with the grey stele would
  // darken every one of them); the gap shows the backdrop.
  const std::set<QRgb> blocks(pics::kBlockColours.begin(), pics::kBlockColours.end());
  int shown = 0;
  for (QRgb p : CellCentres(form)) shown += blocks.count(p) ? 1 : 0;
  EXPECT_EQ(shown, 8);
}

TEST_F(OwnPictureTest, BackToTheTitleThenBuiltInPlaysABuiltInPicture) {
  Choose(Put("blocks.png", pics::Encode(pics::Blocks(300), "png")));
  form.Label1_Click(7);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_FALSE(form.State().OwnPicture);
  form.Label1_Click(1);
  form.Label1_Click(3);
  EXPECT_GE(form.State().PictureNo, 0);
  EXPECT_LE(form.State().PictureNo, 3);
  const std::set<QRgb> blocks(pics::kBlockColours.begin(), pics::kBlockColours.end());
  for (int y = kBoardTop; y < kBoardTop + 300; y += 7)
    for (int x = kBoardLeft; x < kBoardLeft + 300; x += 7)
      ASSERT_EQ(blocks.count(form.Controls().Window.Pixel(x, y)), 0u);
}

TEST_F(OwnPictureTest, CancelAfterAnEarlierChoiceKeepsThePictureButNotTheMark) {
  Choose(Put("blocks.png", pics::Encode(pics::Blocks(300), "png")));
  form.Label1_Click(7);
  const QImage chosen = Box().copy();
  Choose(std::nullopt);
  EXPECT_EQ(VisibleLabels(form), kTitleScreen);
  EXPECT_FALSE(form.State().OwnPicture);
  EXPECT_TRUE(Box() == chosen);
}

// Each kind of file that cannot be played: a message, and nothing else changes,
// neither on a fresh title screen nor after an earlier own picture.
TEST_F(OwnPictureTest, BadFilesAreReportedAndChangeNothing) {
  const QImage photo = pics::PhotoLike(400, 300);
  const QByteArray jpeg = pics::Encode(photo, "jpeg", 90);
  QByteArray noise(3000, 0);
  for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
  struct Bad {
    const char* name;
    std::optional<QByteArray> bytes;  // none: the file does not exist
  };
  const std::vector<Bad> bad = {
      {"missing.jpg", std::nullopt},
      {"empty.jpg", QByteArray()},
      {"cut.jpg", jpeg.left(jpeg.size() / 2)},
      {"noise.jpg", noise},
      {"note.gif", QByteArray("買い物メモ: 牛乳、卵\n")},
      {"bomb.jpg", pics::ForgeJpegFrame(jpeg, 65000, 65000)},
      {"scan.bmp", pics::Encode(photo, "ppm")},
      {"bomb.tif", pics::ForgedTiff(65535, 65535)},
  };
  form.busyCursorAfterMs = 60'000;  // however long a load takes on a busy machine
  for (bool earlier : {false, true}) {
    if (earlier) {
      Choose(Put("blocks.png", pics::Encode(pics::Blocks(300), "png")));
      form.Label1_Click(7);
    }
    for (const Bad& b : bad) {
      SCOPED_TRACE(b.name);
      const std::string path = b.bytes ? Put(b.name, *b.bytes) : (sound.folder.Path() / b.name).string();
      const Snapshot before(form);
      host.ClearLog();
      Choose(path);
      EXPECT_TRUE(Snapshot(form) == before);
      const auto boxes = host.Calls(Kind::MessageBox);
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].title, "ミレル");
      EXPECT_EQ(boxes[0].buttons, MsgButtons::Ok);
      EXPECT_EQ(boxes[0].text.rfind("画像を読み込めませんでした。\n", 0), 0u) << boxes[0].text;
      EXPECT_NE(boxes[0].text.find(b.name), std::string::npos) << boxes[0].text;
      if (std::string(b.name) == "scan.bmp") {  // names what does load
        EXPECT_NE(boxes[0].text.find("BMP・GIF・JPEG・PNG・WebP・HEIC・AVIF・TIFF の画像を"),
                  std::string::npos);
      }
      // The message comes after the dialog has closed and events have run,
      // and only events run while the picture loads.
      std::vector<Kind> kinds = host.Kinds();
      kinds.erase(std::unique(kinds.begin(), kinds.end()), kinds.end());
      EXPECT_EQ(kinds, (std::vector<Kind>{Kind::OpenFileDialog, Kind::DoEvents, Kind::MessageBox}));
    }
  }
}

}  // namespace
}  // namespace mirel
