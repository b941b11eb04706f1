// The player's own picture: choosing the file, and fitting it into the
// 300 x 300 own-picture box for the next game.

#include <chrono>
#include <string>
#include <utility>

#include "Form1.h"
#include "picture/PictureLoader.h"
#include "platform/Blit.h"
#include "platform/Utf8Path.h"

namespace mirel {

namespace {

constexpr int kBoxSide = kPictureSize + 2 * kFrame;

std::string Reason(PictureFault fault) {
  switch (fault) {
    case PictureFault::Missing:
      return "ファイルが見つかりません。";
    case PictureFault::Unreadable:
      return "ファイルを開けませんでした。";
    case PictureFault::Empty:
      return "ファイルが空です。";
    case PictureFault::NotAPicture:
      return "画像のファイルではないようです。";
    case PictureFault::Unsupported: {
      std::string names;
      for (const std::string& name : PictureFormatNames()) names += (names.empty() ? "" : "・") + name;
      return "この形式の画像には対応していません。\n" + names + " の画像を選んでください。";
    }
    case PictureFault::TooLarge:
      return "画像が大きすぎます。";
    case PictureFault::Damaged:
    case PictureFault::Cancelled:
    case PictureFault::None:
      break;
  }
  return "ファイルが壊れているか、途中で切れているようです。";
}

}  // namespace

std::optional<Bitmap> Form1::ChooseOwnPicture() {
  // The decoder gets ready while the player looks for a picture.
  PrepareToLoadPictureFile(kPictureSize, kPictureSize);
  const std::optional<std::string> name =
      host_.OpenFileDialog("素材を選ぶ", FileFilter{"画像ファイル", PictureFilePatterns()});
  host_.DoEvents();
  if (!name || name->empty()) return std::nullopt;

  const std::string& path = *name;
  // A big picture takes a moment; past a blink the player sees the busy cursor.
  const auto start = std::chrono::steady_clock::now();
  bool busy = false;
  const auto stillLoading = [&] {
    if (!busy && std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(busyCursorAfterMs)) {
      busy = true;
      host_.Busy(true);
    }
    // The window keeps painting; a close of it ends the load.
    host_.DoEvents();
    return !host_.CloseRequested();
  };
  LoadedPicture loaded = LoadPictureFile(path, kPictureSize, kPictureSize, stillLoading);
  if (busy) host_.Busy(false);
  if (loaded.fault == PictureFault::Cancelled) return std::nullopt;
  if (loaded.fault != PictureFault::None) {
    // The title screen stays and the box keeps what it held; the player learns why.
    // The path is UTF-8 on every system, never the ANSI code page.
    const std::string file = Utf8FromPath(PathFromUtf8(path).filename());
    const std::string text =
        "画像を読み込めませんでした。\n" + (file.empty() ? path : file) + "\n\n" + Reason(loaded.fault);
    host_.MessageBox(text, MsgButtons::Ok, MsgAnswer::Ok, kTitle);
    return std::nullopt;
  }
  return std::move(loaded.picture);
}

void Form1::UseOwnPicture(const Bitmap& picture) {
  Surface box;
  box.LoadPicture(picture);
  // A narrow or low picture keeps its natural size; the box's face colour fills the rest.
  if (box.Width() < kBoxSide) box.SetWidth(kBoxSide);
  if (box.Height() < kBoxSide) box.SetHeight(kBoxSide);
  // Squeezes any side longer than 300; the loader has usually done so already,
  // and then this copies the picture onto itself unchanged.
  StretchBlt(box, 0, 0, kPictureSize, kPictureSize, box, 0, 0, box.ScaleWidth(), box.ScaleHeight());
  box.SetWidth(kBoxSide);
  box.SetHeight(kBoxSide);
  game_.UseOwnPicture(box.Image());
}

}  // namespace mirel
