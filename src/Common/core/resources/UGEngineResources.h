#pragma once

namespace qm {

// Registers the engine's own resource types: "SeqPool", "Font", "SysFont", "ImageFont". Kept
// apart from the resource manager, which knows resources only through the registry.
void RegisterEngineResourceClasses();

} // namespace qm
