#include "Form1.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "assets/Assets.h"
#include "picture/PictureLoader.h"

namespace mirel {

namespace {

// Read by the program's own BMP reader, at the picture's own size: Qt's
// reader first surveys every image plugin on the system, which costs the
// window its quick start. Empty when the bytes cannot be read.
Bitmap ReadBuiltIn(assets::Bytes file, int side) {
  LoadedPicture loaded = LoadPictureBytes(file, side, side);
  return loaded.fault == PictureFault::None ? std::move(loaded.picture) : Bitmap();
}

// MIREL_SEED, a whole number, replays the same shuffles on every run and
// every system; the parity test plays both programs side by side with it.
std::optional<std::uint64_t> ReplaySeed() {
  const char* text = std::getenv("MIREL_SEED");
  if (!text || !*text) return std::nullopt;
  std::uint64_t seed = 0;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, seed);
  if (error != std::errc() || stop != end) return std::nullopt;
  return seed;
}

void ShowLabels(std::array<LabelState, kLabelCount>& labels, int first, int last, bool visible) {
  for (int i = first; i <= last; ++i) labels[std::size_t(i)].Visible = visible;
}

}  // namespace

Bitmap LoadBackdrop() { return ReadBuiltIn(assets::Backdrop(), kClientSize); }

Bitmap LoadRelief(std::int32_t pictureNo) {
  static_assert(assets::kReliefCount == kOwnPictureNo);
  return ReadBuiltIn(assets::Relief(pictureNo + 1), kPictureSize);
}

Form1::Form1(Host& host, Zentik11& lib) : Form1(host, lib, LoadBackdrop()) {}

Form1::Form1(Host& host, Zentik11& lib, const Bitmap& backdrop) : host_(host), game_(host, lib) {
  for (int i = 0; i < kLabelCount; ++i) {
    menu_.Label1[std::size_t(i)].Caption = kLabelDesign[std::size_t(i)].caption;
    menu_.Label1[std::size_t(i)].Visible = kLabelDesign[std::size_t(i)].visibleAtStart;
  }
  // A picture that could not be read leaves its box at the design size.
  if (!backdrop.Empty()) game_.LoadPicture2(backdrop);
  // The built-in pictures wait until a game needs one; Picture3(4) stays
  // empty until the player brings a picture.
}

void Form1::LoadBuiltInOnce(std::int32_t pictureNo) {
  if (pictureNo < 0 || pictureNo >= kOwnPictureNo || builtInLoaded_[std::size_t(pictureNo)]) return;
  const Bitmap relief = LoadRelief(pictureNo);
  if (!relief.Empty()) game_.LoadPicture3(std::size_t(pictureNo), relief);
  builtInLoaded_[std::size_t(pictureNo)] = true;
}

void Form1::Form_Load() {
  if (const std::optional<std::uint64_t> seed = ReplaySeed())
    game_.SeedRandom(*seed);
  else
    game_.SeedRandomFromClock();
  SetSoundOn(true);
  for (std::size_t i = 1; i < kTileSlots; ++i) game_.LoadPicture1(i);
  // The window keeps its image, so the title shows as soon as it opens.
  game_.DrawBackdrop();
}

void Form1::Label1_Click(std::int16_t Index) {
  auto& Label1 = menu_.Label1;
  // Only a shown label can be clicked.
  if (Index < 0 || Index >= kLabelCount || !Label1[std::size_t(Index)].Visible) return;

  if (Index == 1 || Index == 2) {
    if (Index == 2) {
      const std::optional<Bitmap> picture = ChooseOwnPicture();
      if (!picture) return;
      UseOwnPicture(*picture);
    }
    ShowLabels(Label1, 0, 2, false);
    Label1[8].Visible = false;
    ShowLabels(Label1, 3, 7, true);
  } else if (Index >= 3 && Index <= 6) {
    StartLevel(Index - 2, game_.PickPicture());
  } else if (Index == 7) {
    ShowTitle();
  } else if (Index == 8) {
    SetSoundOn(!State().SoundOn);
  }
}

PressOutcome Form1::Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y) {
  const PressOutcome outcome = game_.Form_MouseDown(Button, Shift, X, Y);
  if (outcome == PressOutcome::BackToTitle) ShowTitle();
  return outcome;
}

void Form1::StartLevel(std::int32_t level, std::int32_t pictureNo) {
  // Put away first: the new game shows its board at once.
  ShowLabels(menu_.Label1, 0, kLabelCount - 1, false);
  LoadBuiltInOnce(pictureNo);
  game_.StartLevel(level, pictureNo);
}

void Form1::SetSoundOn(bool on) {
  game_.SetSoundOn(on);
  menu_.Label1[8].Caption = on ? kSoundOnCaption : kSoundOffCaption;
}

void Form1::ShowTitle() {
  ShowLabels(menu_.Label1, 0, 2, true);
  ShowLabels(menu_.Label1, 3, 7, false);
  menu_.Label1[8].Visible = true;
  game_.ForgetOwnPicture();
}

}  // namespace mirel
