#pragma once
// The label font the game carries: the bundled font cut down to the
// characters the labels show.

#include <filesystem>
#include <string>

namespace mirel::tools {

// Every character the menu labels can show, once each, in caption order.
std::string LabelCharacters();

// Writes the glyphs of LabelCharacters() from the font at source to output,
// with fontTools' subsetter run by python; with forAutoHinter also those that
// FreeType's auto-hinter measures, which Linux draws the labels with. Windows
// draws them unhinted and needs only the labels' own. False, with a message on
// standard error, when that fails.
bool SubsetLabelFont(const std::filesystem::path& source, const std::filesystem::path& output,
                     const std::string& python, bool forAutoHinter);

}  // namespace mirel::tools
