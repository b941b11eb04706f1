#include "CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace mirel {

namespace {

// The options every Qt program takes: those that take a value (as the next
// argument or after "="), and those that stand alone. Qt reads "--name" as
// "-name" too.
constexpr std::array<std::string_view, 12> kQtValueOptions = {
    "-style",           "-stylesheet",  "-platform",     "-platformpluginpath", "-platformtheme", "-plugin",
    "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-session",            "-display",       "-geometry"};
constexpr std::array<std::string_view, 2> kQtFlags = {"-reverse", "-widgetcount"};

template <std::size_t N>
bool Among(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "-h" || arg == "--help") return {StartAs::Help, {}};
    if (arg == "--version") return {StartAs::Version, {}};
    std::string_view name = arg.substr(0, arg.find('='));
    if (name.starts_with("--")) name.remove_prefix(1);
    const bool joined = arg.find('=') != std::string_view::npos;
    if (Among(kQtFlags, name) && !joined) continue;
    if (Among(kQtValueOptions, name)) {
      // "-platform offscreen" takes the next argument; "-platform=offscreen" does not.
      if (!joined) {
        if (i + 1 == args.size()) return {StartAs::Refused, args[i]};
        ++i;
      }
      continue;
    }
    return {StartAs::Refused, args[i]};
  }
  return {};
}

std::string UsageText() {
  return "Usage: mirel [--help | --version] [Qt options]\n"
         "\n"
         "ミレル (Mirel), a sliding-tile picture puzzle: restore a carved relief, or a\n"
         "picture of your own, by sliding its tiles back into place with the mouse.\n"
         "\n"
         "  -h, --help   show this help and exit\n"
         "  --version    show the version and exit\n"
         "\n"
         "Qt's own options, such as -platform NAME, -display DISPLAY or -style STYLE,\n"
         "are passed on to Qt. See mirel(6).\n";
}

std::string RefusalText(const std::string& argument) {
  return "mirel: unknown argument '" + argument + "'; see 'mirel --help'\n";
}

}  // namespace mirel
