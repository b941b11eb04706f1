#pragma once
// Where the built-in assets live inside the program (Qt resource paths).

#include <string>

namespace mirel::assets {

inline constexpr char kBackdrop[] = ":/pictures/Backdrop.bmp";
inline constexpr char kLabelFont[] = ":/fonts/MochiyPopOne-Regular.ttf";
inline constexpr int kReliefCount = 4;

// The built-in puzzle picture `number`, 1..kReliefCount.
std::string Relief(int number);

}  // namespace mirel::assets
