#pragma once
// Which menu screen the labels show, as the indexes of the shown labels.

#include <string>

#include "menu/Form1.h"

namespace mirel {

inline constexpr const char* kTitleScreen = "0 1 2 8";
inline constexpr const char* kLevelScreen = "3 4 5 6 7";
inline constexpr const char* kGameScreen = "";

inline std::string VisibleLabels(const Form1& form) {
  std::string out;
  for (std::size_t i = 0; i < form.Menu().Label1.size(); ++i)
    if (form.Menu().Label1[i].Visible) out += (out.empty() ? "" : " ") + std::to_string(i);
  return out;
}

}  // namespace mirel
