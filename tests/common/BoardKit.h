#pragma once
// Board helpers for tests (need mirel_board):
// - presses on a cell of the game in play;
// - the invariants every game in play keeps, and the solvability of a board;
// - a solver that turns any solvable board into the presses that restore it.

#include <cstdint>
#include <queue>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "board/Game.h"

namespace mirel::kit {

struct Cell {
  int c;
  int r;
  bool operator==(const Cell&) const = default;
};

// Where the gap is.
inline Cell Gap(const Board& board) { return {board.EmptyCol(), board.EmptyRow()}; }

// The new-game rectangle of cell (c, r), ring included.
inline CellRec HomeRecord(int side, int c, int r) {
  const int t = kBoardSize / side;
  CellRec rec;
  rec.Left = kBoardLeft + (c - 1) * t;
  rec.Top = kBoardTop + (r - 1) * t;
  rec.Right = rec.Left + t;
  rec.Bottom = rec.Top + t;
  rec.Width = t;
  rec.Height = t;
  return rec;
}

// The solved board of a side, as text.
inline std::string SolvedText(int side) { return Board(side).Text(); }

inline std::pair<float, float> CellCentre(const Game& game, int c, int r) {
  const CellRec& rec = game.CellAt(c, r);
  return {float(rec.Left) + float(rec.Width) / 2, float(rec.Top) + float(rec.Height) / 2};
}

// The game itself, or the game the menu holds.
inline const Game& PuzzleOf(const Game& game) { return game; }
template <class Menu>
const Game& PuzzleOf(const Menu& menu) {
  return menu.Puzzle();
}

// A press on the middle of cell (c, r), through the game or the menu holding it.
template <class Player>
void Press(Player& player, int c, int r, std::int16_t button = 1) {
  const auto [x, y] = CellCentre(PuzzleOf(player), c, r);
  player.Form_MouseDown(button, 0, x, y);
}

// What is wrong with the game in play, or "" when the board fits the level and
// every cell lies where a new game put it. Cheap when all is well: long random
// runs call it after every event.
inline std::string InvariantViolation(const Game& game) {
  const int side = game.State().Level + 2;
  std::string why;
  auto note = [&](const std::string& what) { why += what + "; "; };
  if (game.CurrentBoard().Side() != side) note("board size differs from the level");
  if (!game.Cells().Allocated() || game.Cells().UBound() != game.State().Level + 3)
    return why + "grid bounds";
  for (int c = 0; c <= side + 1; ++c) {
    for (int r = 0; r <= side + 1; ++r) {
      const CellRec& rec = game.CellAt(c, r);
      const CellRec home = HomeRecord(side, c, r);
      if (rec.Left != home.Left || rec.Top != home.Top || rec.Right != home.Right ||
          rec.Bottom != home.Bottom || rec.Width != home.Width || rec.Height != home.Height)
        note("record (" + std::to_string(c) + "," + std::to_string(r) + ") changed");
    }
  }
  return why;
}

// A board of the 15-puzzle family can be solved exactly when the parity of its
// permutation (gap included) equals the parity of the gap's distance from home.
inline bool IsSolvable(const Board& board) {
  const int side = board.Side();
  std::vector<int> perm;
  for (int r = 1; r <= side; ++r)
    for (int c = 1; c <= side; ++c) perm.push_back(board.Tile(c, r));
  int swaps = 0;
  for (std::size_t i = 0; i < perm.size(); ++i)
    while (perm[i] != int(i)) {
      std::swap(perm[i], perm[std::size_t(perm[i])]);
      ++swaps;
    }
  const int distance = (side - board.EmptyCol()) + (side - board.EmptyRow());
  return swaps % 2 == distance % 2;
}

// Solves a board by placing tiles row by row, down to two rows, then the last
// two rows column by column, then the final 2 x 2. Each placement is a
// breadth-first search over the gap and the one to three tiles being placed,
// inside the cells not yet fixed, so the awkward last tiles of a row need no tricks of their own.
class Solver {
 public:
  explicit Solver(const Board& board)
      : side_(board.Side()), n_(side_ * side_), locked_(std::size_t(n_), false) {
    for (int r = 1; r <= side_; ++r)
      for (int c = 1; c <= side_; ++c) cells_.push_back(board.Tile(c, r));
    gap_ = (board.EmptyRow() - 1) * side_ + (board.EmptyCol() - 1);
  }

  // The cells to press, in order. Throws when the board cannot be solved.
  std::vector<Cell> Solve() {
    const int s = side_;
    for (int y = 0; y + 2 < s; ++y) {
      for (int x = 0; x + 2 < s; ++x) Place({y * s + x});
      Place({y * s + s - 2, y * s + s - 1});
    }
    for (int x = 0; x + 2 < s; ++x) Place({(s - 2) * s + x, (s - 1) * s + x});
    Place({(s - 2) * s + s - 2, (s - 2) * s + s - 1, (s - 1) * s + s - 2});
    std::vector<Cell> out;
    for (int i : presses_) out.push_back({i % s + 1, i / s + 1});
    return out;
  }

 private:
  using State = std::uint32_t;  // 6 bits each: gap, then the tracked tiles' cells

  // Brings the given tiles (whose numbers are their home cells) home, then
  // fixes those cells.
  void Place(const std::vector<int>& tiles) {
    const std::size_t k = tiles.size();
    std::vector<int> where(k);
    for (std::size_t j = 0; j < k; ++j)
      for (int i = 0; i < n_; ++i)
        if (cells_[std::size_t(i)] == tiles[j]) where[j] = i;
    auto encode = [&](int gap, const std::vector<int>& pos) {
      State st = State(gap);
      for (std::size_t j = 0; j < k; ++j) st |= State(pos[j]) << (6 * (j + 1));
      return st;
    };
    auto done = [&](const std::vector<int>& pos) {
      for (std::size_t j = 0; j < k; ++j)
        if (pos[j] != tiles[j]) return false;
      return true;
    };
    struct Step {
      State from;
      int press;
    };
    std::unordered_map<State, Step> came;
    std::queue<State> todo;
    const State start = encode(gap_, where);
    came[start] = {start, -1};
    todo.push(start);
    State goal = start;
    bool found = done(where);
    while (!found && !todo.empty()) {
      const State st = todo.front();
      todo.pop();
      const int gap = int(st & 63);
      std::vector<int> pos(k);
      for (std::size_t j = 0; j < k; ++j) pos[j] = int((st >> (6 * (j + 1))) & 63);
      const int gx = gap % side_, gy = gap / side_;
      const int next[4][2] = {{gx - 1, gy}, {gx + 1, gy}, {gx, gy - 1}, {gx, gy + 1}};
      for (const auto& nb : next) {
        if (nb[0] < 0 || nb[0] >= side_ || nb[1] < 0 || nb[1] >= side_) continue;
        const int cell = nb[1] * side_ + nb[0];
        if (locked_[std::size_t(cell)]) continue;
        std::vector<int> moved = pos;
        for (auto& p : moved)
          if (p == cell) p = gap;
        const State to = encode(cell, moved);
        if (came.count(to)) continue;
        came[to] = {st, cell};
        if (done(moved)) {
          goal = to;
          found = true;
          break;
        }
        todo.push(to);
      }
    }
    if (!found) throw std::runtime_error("board cannot be solved");
    std::vector<int> path;
    for (State st = goal; st != start; st = came[st].from) path.push_back(came[st].press);
    for (auto it = path.rbegin(); it != path.rend(); ++it) Apply(*it);
    for (int t : tiles) locked_[std::size_t(t)] = true;
  }

  void Apply(int cell) {
    cells_[std::size_t(gap_)] = cells_[std::size_t(cell)];
    cells_[std::size_t(cell)] = n_ - 1;
    gap_ = cell;
    presses_.push_back(cell);
  }

  int side_;
  int n_;
  std::vector<int> cells_;  // row by row
  int gap_ = 0;
  std::vector<bool> locked_;
  std::vector<int> presses_;
};

inline std::vector<Cell> SolveMoves(const Board& board) { return Solver(board).Solve(); }

}  // namespace mirel::kit
