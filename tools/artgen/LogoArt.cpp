#include "ArtGenerator.h"

namespace artgen {

void DrawLogoArt(TArtContext&) {}

} // namespace artgen
