#include "ArtGenerator.h"

namespace artgen {

void DrawFirstTimeArt(TArtContext&) {}

} // namespace artgen
