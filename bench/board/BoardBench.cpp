// The board's repaint and new game against the cheapest possible repaint: one
// plain copy of a 400 x 400 frame. Prints the ratios at the end.
//   Cls + DrawBoard (6 x 6, built-in picture)
//   the game's repaint (RepaintBoard: the same window)  target <= 3.5 x frame copy
//   press that moves a tile (hit test, move, repaint)   target <= 3.5 x frame copy
//   NewGame, 6 x 6                                      target <= 9 x frame copy

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "menu/Form1.h"
#include "tests/common/BoardKit.h"
#include "tests/common/ScriptedHost.h"
#include "tests/common/SoundRig.h"

namespace mirel {
namespace {

// The game on a fresh 6 x 6 board of a built-in picture, sound off, as the
// menu would set it up.
struct Rig {
  Rig() : game(host, sound.lib) {
    host.keepLog = false;
    for (std::size_t i = 1; i < kTileSlots; ++i) game.LoadPicture1(i);
    game.LoadPicture2(LoadBackdrop());
    game.LoadPicture3(kPicture, LoadRelief(kPicture));
    game.SeedRandom(99);
    StartSixBySix();
  }
  void StartSixBySix() { game.StartLevel(4, kPicture); }
  static constexpr int kPicture = 2;
  ScriptedHost host;
  SoundRig sound;
  Game game;
};

Rig& TheRig() {
  static Rig rig;
  return rig;
}

void FrameCopy(benchmark::State& state) {
  std::vector<std::uint32_t> from(400 * 400, 0x7F7F7Fu), to(400 * 400);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * sizeof(std::uint32_t));
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(FrameCopy);

void ClsAndDrawBoard(benchmark::State& state) {
  Rig& rig = TheRig();
  rig.StartSixBySix();
  for (auto _ : state) {
    rig.game.Cls();
    rig.game.DrawBoard();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ClsAndDrawBoard);

void Repaint(benchmark::State& state) {
  Rig& rig = TheRig();
  rig.StartSixBySix();
  for (auto _ : state) {
    rig.game.RepaintBoard();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(Repaint);

void PressThatMoves(benchmark::State& state) {
  Rig& rig = TheRig();
  Game& game = rig.game;
  rig.StartSixBySix();
  // Back and forth between the gap and a neighbour that does not finish the picture.
  kit::Cell a = kit::Gap(game.CurrentBoard());
  kit::Cell b = a.c > 1 ? kit::Cell{a.c - 1, a.r} : kit::Cell{a.c + 1, a.r};
  const auto [ax, ay] = kit::CellCentre(game, a.c, a.r);
  const auto [bx, by] = kit::CellCentre(game, b.c, b.r);
  bool toB = true;
  for (auto _ : state) {
    if (toB)
      game.Form_MouseDown(1, 0, bx, by);
    else
      game.Form_MouseDown(1, 0, ax, ay);
    toB = !toB;
  }
  if (game.State().Solved) state.SkipWithError("the board got solved");
}
BENCHMARK(PressThatMoves);

void NewGameSixBySix(benchmark::State& state) {
  Rig& rig = TheRig();
  for (auto _ : state) rig.StartSixBySix();
}
BENCHMARK(NewGameSixBySix);

// The console report, then each figure as a multiple of the frame copy.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // CPU time: the figures should not depend on what else the machine runs.
    // With repetitions, the median stands for the benchmark.
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") medians_[name] = run.GetAdjustedCPUTime();
      } else {
        times_[name] = run.GetAdjustedCPUTime();
      }
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [name, t] : medians_) times_[name] = t;
    const auto frame = times_.find("FrameCopy");
    if (frame == times_.end() || frame->second <= 0) return;
    std::printf("\nAs multiples of one 400 x 400 frame copy (CPU time):\n");
    const std::pair<const char*, double> targets[] = {
        {"ClsAndDrawBoard", 0.0}, {"Repaint", 3.5}, {"PressThatMoves", 3.5}, {"NewGameSixBySix", 9.0}};
    for (const auto& [name, target] : targets) {
      const auto it = times_.find(name);
      if (it == times_.end()) continue;
      const double ratio = it->second / frame->second;
      if (target > 0)
        std::printf("  %-16s %6.2f x  (target <= %.1f x: %s)\n", name, ratio, target,
                    ratio <= target ? "met" : "MISSED");
      else
        std::printf("  %-16s %6.2f x\n", name, ratio);
    }
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, double> medians_;
};

}  // namespace
}  // namespace mirel

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  mirel::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
