#pragma once
// The built-in assets, compiled into the program as their files' bytes
// (assets/CMakeLists.txt). The bytes live as long as the program.

#include <span>

namespace mirel::assets {

using Bytes = std::span<const unsigned char>;

Bytes Backdrop();   // pictures/Backdrop.bmp
Bytes LabelFont();  // fonts/MochiyPopOne-Regular.ttf

inline constexpr int kReliefCount = 4;
// The built-in puzzle picture `number`, 1..kReliefCount; empty for any other.
Bytes Relief(int number);

}  // namespace mirel::assets
