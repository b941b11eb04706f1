#pragma once
// The application object, made so that a missing display is one clear line
// and exit code 1, not an abort with advice to reinstall.

#include <QApplication>
#include <memory>

namespace mirel {

// What the program says when no display could be opened.
inline constexpr const char* kNoDisplayMessage =
    "mirel: no display could be opened; run it in a desktop session, or set DISPLAY (X11) or "
    "WAYLAND_DISPLAY (Wayland)\n";

// Returns the application, or prints kNoDisplayMessage and ends the process
// with exit code 1 when Qt finds no display to open.
std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv);

}  // namespace mirel
