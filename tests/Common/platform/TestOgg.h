#pragma once

#include <string>

namespace qm::test {

// An Ogg Vorbis file of our own making: a slow sweep of a tone, with some noise so that every
// part of the decoder works, `seconds` long, of `channels` channels at `rate` frames a second.
std::string MakeToneOgg(double seconds, int channels, long rate);

} // namespace qm::test
