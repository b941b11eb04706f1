#pragma once
// The label font the game carries: the bundled font cut down to the
// characters the labels show.

#include <filesystem>
#include <string>

namespace mirel::tools {

// Every character the menu labels can show, once each, in caption order.
std::string LabelCharacters();

// Writes the glyphs of LabelCharacters(), and those FreeType's auto-hinter
// measures, from the font at source to output, with fontTools' subsetter run
// by python. False, with a message on standard
// error, when that fails.
bool SubsetLabelFont(const std::filesystem::path& source, const std::filesystem::path& output,
                     const std::string& python);

}  // namespace mirel::tools
