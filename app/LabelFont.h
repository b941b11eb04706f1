#pragma once
// The label font that travels inside the program.

namespace mirel {

// Makes the bundled font available to the labels; false if it could not be.
bool RegisterLabelFont();

}  // namespace mirel
