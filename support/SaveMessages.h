#pragma once
// What a save says when the file it checked is no longer the one under the name.

namespace mirel {

inline constexpr const char* kTakenMeanwhile = "another file has taken its name since it was checked";

}  // namespace mirel
