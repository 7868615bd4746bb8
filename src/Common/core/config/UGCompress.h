#pragma once

#include <string>

namespace qm {

// zlib streams (RFC 1950) used by the configuration caches, the language-file caches and the
// graphics cache bundles. Level 1 is the fastest, which is what every cache is written with.
std::string ZCompress(const std::string& bytes, int level = 1);

// Raises the engine error "ZDecompress: ..." with zlib's reason when the stream is damaged,
// truncated or followed by stray bytes.
std::string ZDecompress(const std::string& bytes);

} // namespace qm
