#include "ArtGenerator.h"

namespace artgen {

void DrawMarbleArt(TArtContext&) {}

} // namespace artgen
