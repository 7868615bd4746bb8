#include "ArtGenerator.h"

namespace artgen {

void DrawInterfaceArt(TArtContext&) {}

} // namespace artgen
