#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qm {

// The width of a UTF-8 text in a label's font, in drawing units.
using TGTextWidth = std::function<double(const std::string& text)>;

// Splits a caption into the lines a label draws in a box of the given width. CR and LF end a
// line and are dropped (so CR LF leaves an empty line between). With word wrap, a word that
// would run past the width starts the next line, taking the spaces after it along; a word
// wider than the box on its own is placed where it stands and broken where the line is full,
// so no line is left empty before it and no line holds less than fits.
std::vector<std::string> BreakCaptionLines(const std::string& caption, double width, bool wordWrap,
                                           const TGTextWidth& measure);

} // namespace qm
