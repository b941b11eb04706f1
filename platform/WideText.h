#pragma once
// The game's UTF-8 text to and from the UTF-16 that Windows' wide calls take.
// Text that is not valid UTF-8 comes out with U+FFFD in place of the bad bytes.
// (Windows only: WideTextWindows.cpp.)

#include <string>
#include <string_view>

namespace mirel {

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view wide);

}  // namespace mirel
