#pragma once

// The note data the game's music is written in, and its assembly into a tracker module.
//
// A song file is plain text, one statement a line; "#" starts a comment.
//
//   title Menu                      the module's name
//   speed 6                         ticks per row (1..31)
//   bpm 96                          tick rate: a tick lasts 2.5 / bpm seconds (32..255)
//   instrument keys epiano volume 40 pan 110
//                                   an instrument named "keys" made by the generator's "epiano"
//                                   synthesis, sample volume 0..64 (default 64), pan 0..255 (128)
//   voice melody keys volume 48     a channel, with the instrument it plays unless a note names
//                                   another, and an optional volume 0..64 written on each note
//   pattern verse 64                a pattern of 64 rows (1..256); the lines after it give its
//     melody: E5/4 D5/2 C5 | r/8    voices, "voice: tokens", as many lines per voice as wanted
//   order intro verse verse         the patterns in playing order
//
// A token is HEAD[/ROWS][!VOLUME]. HEAD is a note from C0 to B7 (C4 is middle C; "#" sharpens,
// "b" flattens: F#3, Bb2), an instrument name (played at C4, for drums), "r" (a rest: the
// sounding note is released) or "-" (the sounding note holds on). ROWS is how many rows the token
// lasts; without it the token lasts as long as the voice's previous token in the pattern (one
// row at the start of a pattern). VOLUME (0..64) overrides the voice's volume for that note. "|" is a
// bar line for the reader and means nothing. Each voice of a pattern fills exactly the pattern's
// rows or is left out (silent).

#include "XmWriter.h"

#include <functional>
#include <string>
#include <vector>

namespace soundgen {

struct TSongInstrument {
    std::string Name;
    std::string Synth;
    int Volume = 64;
    int Pan = 128;
};

struct TSongVoice {
    std::string Name;
    int Instrument = 0;
    // -1: notes carry no volume of their own.
    int Volume = -1;
};

struct TSongPattern {
    std::string Name;
    int Rows = 0;
    // Rows × voices.
    std::vector<TXmCell> Cells;
    // Rows filled so far per voice, and the length of each voice's last token, while the
    // pattern is read.
    std::vector<int> Filled;
    std::vector<int> LastRows;
};

struct TSong {
    std::string Title;
    int Speed = 6;
    int Bpm = 125;
    std::vector<TSongInstrument> Instruments;
    std::vector<TSongVoice> Voices;
    std::vector<TSongPattern> Patterns;
    std::vector<int> Order;
};

// Reads a song file's text. Throws std::runtime_error with "<file>:<line>: <what is wrong>".
TSong ParseSong(const std::string& text, const std::string& fileName);

// Makes the sampled instrument of one song instrument.
using TInstrumentMaker = std::function<TXmInstrument(const TSongInstrument&)>;

// The tracker module of a song, each instrument made by `make`.
TXmModule BuildModule(const TSong& song, const TInstrumentMaker& make);

} // namespace soundgen
