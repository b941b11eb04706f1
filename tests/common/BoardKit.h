#pragma once
// Board helpers for tests (need mirel_board):
// - boards as short strings, rows top to bottom, tiles counted from 1 as a
//   player would, "_" for the gap: "1 2 3/4 _ 5/7 8 6" (TileNo = number - 1);
// - the invariants every board keeps;
// - a solver that turns any solvable board into the presses that restore it.

#include <cstdint>
#include <queue>
#include <stdexcept>
#include <string>
#include <string_view>
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

// The new-game rectangle of cell (c, r), border ring included.
inline CellRec HomeRecord(int side, int c, int r) {
  const int t = kBoardSize / side;
  CellRec rec;
  rec.Left = kBoardLeft + (c - 1) * t;
  rec.Top = kBoardTop + (r - 1) * t;
  rec.Right = rec.Left + t;
  rec.Bottom = rec.Top + t;
  rec.Width = t;
  rec.Height = t;
  rec.TileNo = (r - 1) * side + (c - 1);
  return rec;
}

// Sets up a board as a level pick and new game would, with the given tiles and
// no shuffle; the tile images are left alone. Sides 3 to 6.
inline void SetBoard(Game& game, std::string_view text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string word;
  auto flush = [&] {
    if (!word.empty()) rows.back().push_back(word);
    word.clear();
  };
  for (char ch : text) {
    if (ch == '/') {
      flush();
      rows.emplace_back();
    } else if (ch == ' ') {
      flush();
    } else {
      word += ch;
    }
  }
  flush();
  const int side = int(rows.size());
  if (side < 3 || side > 6 || kBoardSize % side != 0) throw std::invalid_argument("board side 3 to 6");
  game.Level = side - 2;
  game.GridCols = side;
  game.GridRows = side;
  game.CellGrid.Redim(side + 1);
  for (int c = 0; c <= side + 1; ++c)
    for (int r = 0; r <= side + 1; ++r) game.CellGrid(c, r) = HomeRecord(side, c, r);
  for (int r = 1; r <= side; ++r) {
    if (int(rows[std::size_t(r - 1)].size()) != side) throw std::invalid_argument("board is not square");
    for (int c = 1; c <= side; ++c) {
      const std::string& w = rows[std::size_t(r - 1)][std::size_t(c - 1)];
      if (w == "_") {
        game.CellGrid(c, r).TileNo = side * side - 1;
        game.EmptyCol = c;
        game.EmptyRow = r;
      } else {
        game.CellGrid(c, r).TileNo = std::stoi(w) - 1;
      }
    }
  }
}

inline std::string BoardText(const Game& game) {
  std::string out;
  const int side = game.GridCols;
  for (int r = 1; r <= side; ++r) {
    if (r > 1) out += '/';
    for (int c = 1; c <= side; ++c) {
      if (c > 1) out += ' ';
      const int t = game.CellGrid(c, r).TileNo;
      out += t == side * side - 1 ? std::string("_") : std::to_string(t + 1);
    }
  }
  return out;
}

// The solved board of a side, as text.
inline std::string SolvedText(int side) {
  std::string out;
  for (int t = 0; t < side * side; ++t) {
    if (t > 0) out += t % side == 0 ? '/' : ' ';
    out += t == side * side - 1 ? std::string("_") : std::to_string(t + 1);
  }
  return out;
}

inline std::pair<float, float> CellCentre(const Game& game, int c, int r) {
  const CellRec& rec = game.CellGrid(c, r);
  return {float(rec.Left) + float(rec.Width) / 2, float(rec.Top) + float(rec.Height) / 2};
}

inline void Press(Game& game, int c, int r, std::int16_t button = 1) {
  const auto [x, y] = CellCentre(game, c, r);
  game.Form_MouseDown(button, 0, x, y);
}

// What is wrong with the board model, or "" when every invariant holds. Cheap
// when all is well: long random runs call it after every event.
inline std::string InvariantViolation(const Game& game) {
  const int side = game.Level + 2;
  std::string why;
  auto note = [&](const std::string& what) { why += what + "; "; };
  if (game.GridCols != side || game.GridRows != side) note("grid size differs from the level");
  if (!game.CellGrid.Allocated() || game.CellGrid.UBound() != game.Level + 3) return why + "grid bounds";
  const int n = side * side;
  std::vector<int> seen(std::size_t(n), 0);
  int gaps = 0;
  for (int c = 0; c <= side + 1; ++c) {
    for (int r = 0; r <= side + 1; ++r) {
      const CellRec& rec = game.CellGrid(c, r);
      const CellRec home = HomeRecord(side, c, r);
      const bool playing = c >= 1 && c <= side && r >= 1 && r <= side;
      if (rec.Left != home.Left || rec.Top != home.Top || rec.Right != home.Right ||
          rec.Bottom != home.Bottom || rec.Width != home.Width || rec.Height != home.Height ||
          (!playing && rec.TileNo != home.TileNo))
        note("record (" + std::to_string(c) + "," + std::to_string(r) + ") changed");
      if (!playing) continue;
      if (rec.TileNo < 0 || rec.TileNo >= n) {
        note("tile " + std::to_string(rec.TileNo) + " out of range");
        continue;
      }
      ++seen[std::size_t(rec.TileNo)];
      if (rec.TileNo == n - 1) {
        ++gaps;
        if (c != game.EmptyCol || r != game.EmptyRow) note("gap is not at (EmptyCol, EmptyRow)");
      }
    }
  }
  for (int t = 0; t < n; ++t)
    if (seen[std::size_t(t)] != 1)
      note("tile " + std::to_string(t) + " seen " + std::to_string(seen[std::size_t(t)]) + " times");
  if (gaps != 1) note(std::to_string(gaps) + " gaps");
  return why;
}

// A board of the 15-puzzle family can be solved exactly when the parity of its
// permutation (gap included) equals the parity of the gap's distance from home.
inline bool IsSolvable(const Game& game) {
  const int side = game.GridCols;
  std::vector<int> perm;
  for (int r = 1; r <= side; ++r)
    for (int c = 1; c <= side; ++c) perm.push_back(game.CellGrid(c, r).TileNo);
  int swaps = 0;
  for (std::size_t i = 0; i < perm.size(); ++i)
    while (perm[i] != int(i)) {
      std::swap(perm[i], perm[std::size_t(perm[i])]);
      ++swaps;
    }
  const int distance = (side - game.EmptyCol) + (side - game.EmptyRow);
  return swaps % 2 == distance % 2;
}

// Solves a board by placing tiles row by row, down to two rows, then the last
// two rows column by column, then the final 2 x 2. Each placement is a
// breadth-first search over the gap and the one to three tiles being placed,
// inside the cells not yet fixed, so the awkward last tiles of a row need no tricks of their own.
class Solver {
 public:
  explicit Solver(const Game& game)
      : side_(game.GridCols), n_(side_ * side_), locked_(std::size_t(n_), false) {
    for (int r = 1; r <= side_; ++r)
      for (int c = 1; c <= side_; ++c) cells_.push_back(game.CellGrid(c, r).TileNo);
    gap_ = (game.EmptyRow - 1) * side_ + (game.EmptyCol - 1);
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

inline std::vector<Cell> SolveMoves(const Game& game) { return Solver(game).Solve(); }

}  // namespace mirel::kit
