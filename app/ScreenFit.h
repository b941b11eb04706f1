#pragma once
// The application made again at a smaller whole scale when the window, at
// the desktop's scale, would not fit its screen.

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

namespace mirel {

// May replace app, so call it while no other Qt object is alive or in use on
// another thread. arguments are the command line as the program got it,
// before the first application took Qt's options out of it.
void FitApplicationToScreen(std::unique_ptr<QApplication>& app, const std::vector<std::string>& arguments);

}  // namespace mirel
