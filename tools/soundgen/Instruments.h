#pragma once

// The sampled instruments songs are played with, each synthesised here. Pitched instruments are
// tuned so that C4 in a song sounds at middle C; drums and noises sound as made at C4.

#include "Song.h"
#include "XmWriter.h"

#include <string>
#include <vector>

namespace soundgen {

// The instrument of a song's "instrument" statement. Throws std::runtime_error for a synthesis
// name it does not know.
TXmInstrument MakeInstrument(const TSongInstrument& instrument);

// The synthesis names songs may use.
std::vector<std::string> InstrumentSynths();

} // namespace soundgen
