#pragma once
// The game without its menu: the game state, its picture surfaces and the
// board's procedures. The rules are the Board value it owns; the procedures
// are short sequences of a rule, drawing and sound. Plain C++ over surfaces;
// the desktop is reached only through Host, sound only through Zentik11.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Board.h"
#include "CellGrid.h"
#include "platform/Bitmap.h"
#include "platform/Host.h"
#include "platform/Random.h"
#include "platform/Surface.h"

namespace mirel {

class Zentik11;

inline constexpr int kClientSize = 400;  // client area, both ways
inline constexpr int kBoardLeft = 50;    // board origin in the window
inline constexpr int kBoardTop = 100;
inline constexpr int kBoardSize = 300;     // board edge, both ways
inline constexpr int kTileSlots = 36;      // Picture1 elements 0..35
inline constexpr int kTileBoxWidth = 205;  // Picture1 element 0's inner size
inline constexpr int kTileBoxHeight = 213;
inline constexpr int kPictureSize = 300;  // inner size of every Picture3 box
inline constexpr std::int32_t kOwnPictureNo = 4;
inline constexpr const char* kTitle = "ミレル";
inline constexpr const char* kSuccessMessage = "修復成功！おめでとうございます。";
inline constexpr const char* kReturnQuestion = "タイトルに戻りますか？";
// What an unhandled error that ends the program says before its reason.
inline constexpr const char* kRuntimeErrorPrefix = "実行時エラー: ";

// What a press on the window did.
enum class PressOutcome {
  Nothing,      // no tile moved: off the board, not next to the gap, no board, or "no" to the question
  Moved,        // a tile slid and the board is not yet whole
  Solved,       // a tile slid and finished the picture
  BackToTitle,  // the player left the finished game for the title screen
};

// The form's state variables that the game keeps.
struct FormState {
  std::int32_t Level = 0;
  std::int32_t PictureNo = 0;
  bool OwnPicture = false;  // the player's own picture waits for the next game
  bool Solved = false;
  bool BoardActive = false;
  bool SoundOn = false;
};

// The form's picture boxes and its kept image.
struct FormControls {
  Surface Window{kClientSize, kClientSize};    // the window's kept image
  Surface Picture2{kClientSize, kClientSize};  // title backdrop
  std::array<Surface, 5> Picture3;             // built-in pictures 0..3, own picture 4
  std::vector<Surface> Picture1;               // tile images; element 0 exists from the start
};

// What holds after every public call:
// - a level starts only with all 36 tile boxes loaded;
// - a board in play (BoardActive) has side Level + 2, its tiles cut from
//   Picture3(PictureNo), and a cell grid 0 .. Level + 3 laid out by its new game;
// - Solved only for a solved board in play.
// The window and the tests read the state through State() and Controls().
class Game {
 public:
  Game(Host& host, Zentik11& lib);
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // The window's mouse-button-down handler: X, Y in client pixels.
  PressOutcome Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);

  // Creates Picture1 element index as a copy of element 0's design (same size,
  // face colour). Elements are created in ascending order, as the load handler does.
  void LoadPicture1(std::size_t index);
  // Puts a picture into the backdrop box, or into Picture3 box index (0..3
  // built in, 4 the player's own), which takes its size.
  void LoadPicture2(const Bitmap& picture);
  void LoadPicture3(std::size_t index, const Bitmap& picture);
  // Puts the player's fitted picture into its box and makes it the picture of
  // the next game. Not while a board is in play: its tiles came from PictureNo.
  void UseOwnPicture(const Bitmap& fitted);
  // The way back to the title: an own picture chosen before is not used.
  void ForgetOwnPicture() { state_.OwnPicture = false; }

  // A level pick: a fresh, shuffled board of side level + 2 (level 1..4) cut
  // from picture pictureNo (0..3 built in, 4 the player's own), drawn and
  // taking presses.
  void StartLevel(std::int32_t level, std::int32_t pictureNo);
  // The picture of a level the player picks: the own picture when one waits,
  // else a built-in one at random.
  std::int32_t PickPicture();

  // The slide rule: is playing cell (c, r) next to the empty cell?
  bool MaySlide(std::int32_t c, std::int32_t r) const { return board_.MaySlide(c, r); }
  // Completes a board in play that has just been solved: the last piece, the
  // sound and the congratulation. False, doing nothing, for any other board.
  bool CheckComplete();
  void DrawBoard();
  // Lays the backdrop over the whole kept image: the title screen.
  void DrawBackdrop();

  // The window's own operations on its kept image.
  void Cls() { controls_.Window.Cls(); }
  void Refresh() { host_.Refresh(); }

  // What every painter of the board does: clear the window, draw the board,
  // show it. DrawBoard's first copy lays the backdrop over every pixel, so the
  // clear is skipped when the backdrop is large enough to do so: the window
  // ends up the same, one full pass over it cheaper.
  void RepaintBoard() {
    const Surface& backdrop = controls_.Picture2;
    if (backdrop.ScaleWidth() < kClientSize || backdrop.ScaleHeight() < kClientSize) Cls();
    DrawBoard();
    Refresh();
  }

  // The tiles in play, and where each cell lies in the window.
  const Board& CurrentBoard() const { return board_; }
  const CellRec& CellAt(std::int32_t c, std::int32_t r) const { return CellGrid(c, r); }
  const CellGridArray& Cells() const { return CellGrid; }
  // Lays the tiles of the unsolved game in play out as given (tests and
  // benchmarks start from known boards). The side must be the level's.
  void SetBoard(const Board& board);

  // What the window shows and the tests check.
  const FormState& State() const { return state_; }
  const FormControls& Controls() const { return controls_; }

  // A fixed seed replays the same games (tests, benchmarks); the program
  // seeds from the clock as it loads.
  void SeedRandom(std::uint64_t seed) { Rnd.Seed(seed); }
  void SeedRandomFromClock() { Rnd.SeedFromClock(); }
  // The sound switch, which the menu flips.
  void SetSoundOn(bool on) { state_.SoundOn = on; }

 private:
  // The steps of a level pick and a press.
  void NewGame();
  void Shuffle();
  void MoveTile(std::int32_t col, std::int32_t row) { board_.Move(col, row); }
  PressOutcome AskReturnToTitle();

  Host& host_;
  Zentik11& lib_;
  FormState state_;
  FormControls controls_;
  RandomSource Rnd;
  Board board_;
  CellGridArray CellGrid;
};

}  // namespace mirel
