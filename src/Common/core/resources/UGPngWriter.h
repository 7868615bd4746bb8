#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace qm {

// Writes 32-bit ARGB pixels (top row first) as an 8-bit RGBA PNG. Raises the engine error
// naming the file when it cannot be written.
void WritePng(const std::filesystem::path& path, int width, int height, const std::vector<uint32_t>& argb);

} // namespace qm
