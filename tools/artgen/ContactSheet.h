#pragma once

// The contact sheet: every picture of a data folder on one page, under the names the game looks
// them up by, so that the whole art can be reviewed at a glance.

#include "ArtGenerator.h"

namespace artgen {

// Draws the pictures of the data folder's picture folders (gfx/ and no-gfx/, with their
// subfolders) into the PNG `output`. Pictures that cannot be decoded get a marked place on the
// sheet and a message on stderr, so one bad file does not hide the rest.
void DrawContactSheet(const fs::path& dataFolder, const fs::path& output);

} // namespace artgen
