#include "Song.h"

#include "Instruments.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace soundgen {

namespace {

class TSongReader {
public:
    TSongReader(const std::string& text, const std::string& fileName) : FText(text), FFile(fileName) {}

    TSong Read();

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error(FFile + ":" + std::to_string(FLine) + ": " + what);
    }
    int Number(const std::string& word, int low, int high, const char* what) const;
    int FindInstrument(const std::string& name) const;
    int FindPattern(const std::string& name) const;
    // "name value name value ..." after the fixed words of a statement.
    void Options(const std::vector<std::string>& words, size_t from,
                 const std::function<void(const std::string&, const std::string&)>& set) const;
    void Statement(const std::vector<std::string>& words);
    void VoiceLine(const std::string& voice, const std::vector<std::string>& tokens);
    void Token(TSongPattern& pattern, int voice, const std::string& token, int& rows);
    void CheckPatternFilled() const;

    const std::string& FText;
    const std::string& FFile;
    int FLine = 0;
    TSong FSong;
};

// The first control byte of a word (0x00..0x1f, 0x7f), or -1: such bytes would end up in the
// module's instrument names or hide what a line says when it is printed.
int ControlByte(const std::string& word) {
    for (char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            return byte;
        }
    }
    return -1;
}

std::string HexByte(int byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", byte);
    return text;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word) {
        words.push_back(word);
    }
    return words;
}

int TSongReader::Number(const std::string& word, int low, int high, const char* what) const {
    int value = 0;
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (ec != std::errc() || ptr != end) {
        Fail(std::string(what) + " \"" + word + "\" is not a number");
    }
    if (value < low || value > high) {
        Fail(std::string(what) + " " + word + " is outside " + std::to_string(low) + ".." +
             std::to_string(high));
    }
    return value;
}

int TSongReader::FindInstrument(const std::string& name) const {
    for (size_t i = 0; i < FSong.Instruments.size(); ++i) {
        if (FSong.Instruments[i].Name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TSongReader::FindPattern(const std::string& name) const {
    for (size_t i = 0; i < FSong.Patterns.size(); ++i) {
        if (FSong.Patterns[i].Name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TSongReader::Options(const std::vector<std::string>& words, size_t from,
                          const std::function<void(const std::string&, const std::string&)>& set) const {
    if ((words.size() - from) % 2 != 0) {
        Fail("\"" + words.back() + "\" has no value");
    }
    for (size_t i = from; i + 1 < words.size(); i += 2) {
        set(words[i], words[i + 1]);
    }
}

// Semitones of the letters C D E F G A B above C.
int LetterSemitone(char letter) {
    switch (letter) {
    case 'C':
        return 0;
    case 'D':
        return 2;
    case 'E':
        return 4;
    case 'F':
        return 5;
    case 'G':
        return 7;
    case 'A':
        return 9;
    case 'B':
        return 11;
    default:
        return -1;
    }
}

// The XM note of a name such as "C4", "F#3" or "Bb2", or 0 when the text is no note name.
int NoteNumber(const std::string& name) {
    if (name.size() < 2 || name.size() > 3 || LetterSemitone(name[0]) < 0) {
        return 0;
    }
    int semitone = LetterSemitone(name[0]);
    size_t at = 1;
    if (name.size() == 3) {
        if (name[1] == '#') {
            ++semitone;
        } else if (name[1] == 'b') {
            --semitone;
        } else {
            return 0;
        }
        at = 2;
    }
    if (name[at] < '0' || name[at] > '9') {
        return 0;
    }
    const int note = 1 + 12 * (name[at] - '0') + semitone;
    return note >= 1 && note <= XmLastNote ? note : -1;
}

void TSongReader::Token(TSongPattern& pattern, int voice, const std::string& token, int& rows) {
    std::string head = token;
    int volume = FSong.Voices[voice].Volume;
    const size_t bang = head.find('!');
    if (bang != std::string::npos) {
        volume = Number(head.substr(bang + 1), 0, 64, "volume");
        head.erase(bang);
    }
    const size_t slash = head.find('/');
    if (slash != std::string::npos) {
        rows = Number(head.substr(slash + 1), 1, 256, "length");
        head.erase(slash);
    }
    const int row = pattern.Filled[voice];
    if (row + rows > pattern.Rows) {
        Fail("voice \"" + FSong.Voices[voice].Name + "\" runs past the " + std::to_string(pattern.Rows) +
             " rows of pattern \"" + pattern.Name + "\" at \"" + token + "\"");
    }
    TXmCell& cell = pattern.Cells[static_cast<size_t>(row) * FSong.Voices.size() + voice];
    pattern.Filled[voice] += rows;
    if (head == "-") {
        return;
    }
    if (head == "r") {
        cell.Note = XmKeyOff;
        return;
    }
    int instrument = FSong.Voices[voice].Instrument;
    int note = NoteNumber(head);
    if (note < 0) {
        Fail("note \"" + head + "\" is outside C0..B7");
    }
    if (note == 0) {
        instrument = FindInstrument(head);
        if (instrument < 0) {
            Fail("\"" + head + "\" is neither a note, a rest, a hold nor an instrument");
        }
        note = XmNoteC4;
    }
    cell.Note = static_cast<uint8_t>(note);
    cell.Instrument = static_cast<uint8_t>(instrument + 1);
    if (volume >= 0) {
        cell.Volume = static_cast<uint8_t>(0x10 + volume);
    }
}

void TSongReader::VoiceLine(const std::string& voiceName, const std::vector<std::string>& tokens) {
    if (FSong.Patterns.empty()) {
        Fail("voice line \"" + voiceName + ":\" outside a pattern");
    }
    int voice = -1;
    for (size_t v = 0; v < FSong.Voices.size(); ++v) {
        if (FSong.Voices[v].Name == voiceName) {
            voice = static_cast<int>(v);
        }
    }
    if (voice < 0) {
        Fail("voice \"" + voiceName + "\" is not declared");
    }
    TSongPattern& pattern = FSong.Patterns.back();
    for (const std::string& token : tokens) {
        if (token != "|") {
            Token(pattern, voice, token, pattern.LastRows[voice]);
        }
    }
}

void TSongReader::CheckPatternFilled() const {
    if (FSong.Patterns.empty()) {
        return;
    }
    const TSongPattern& pattern = FSong.Patterns.back();
    for (size_t v = 0; v < FSong.Voices.size(); ++v) {
        if (pattern.Filled[v] != 0 && pattern.Filled[v] != pattern.Rows) {
            Fail("voice \"" + FSong.Voices[v].Name + "\" fills " + std::to_string(pattern.Filled[v]) +
                 " of the " + std::to_string(pattern.Rows) + " rows of pattern \"" + pattern.Name + "\"");
        }
    }
}

void TSongReader::Statement(const std::vector<std::string>& words) {
    const std::string& verb = words[0];
    if (verb.size() > 1 && verb.back() == ':') {
        VoiceLine(verb.substr(0, verb.size() - 1), {words.begin() + 1, words.end()});
        return;
    }
    auto need = [&](size_t count) {
        if (words.size() < count) {
            Fail("\"" + verb + "\" needs " + std::to_string(count - 1) + " values");
        }
    };
    if (verb == "title") {
        need(2);
        FSong.Title = words[1];
    } else if (verb == "speed") {
        need(2);
        FSong.Speed = Number(words[1], 1, 31, "speed");
    } else if (verb == "bpm") {
        need(2);
        FSong.Bpm = Number(words[1], 32, 255, "bpm");
    } else if (verb == "instrument") {
        need(3);
        if (FindInstrument(words[1]) >= 0 || NoteNumber(words[1]) != 0 || words[1] == "r" ||
            words[1] == "-") {
            Fail("instrument name \"" + words[1] + "\" is taken");
        }
        if (FSong.Instruments.size() == 128) {
            Fail("more than 128 instruments");
        }
        // Checked here, so that a mistake names its line rather than failing when the module is
        // made.
        if (const int byte = ControlByte(words[1]); byte >= 0) {
            Fail("the instrument name holds the control byte " + HexByte(byte));
        }
        if (const int byte = ControlByte(words[2]); byte >= 0) {
            Fail("instrument \"" + words[1] + "\": the synthesis holds the control byte " + HexByte(byte));
        }
        const std::vector<std::string> synths = InstrumentSynths();
        if (std::find(synths.begin(), synths.end(), words[2]) == synths.end()) {
            Fail("instrument \"" + words[1] + "\": no synthesis \"" + words[2] + "\"");
        }
        TSongInstrument& instrument = FSong.Instruments.emplace_back();
        instrument.Name = words[1];
        instrument.Synth = words[2];
        Options(words, 3, [&](const std::string& name, const std::string& value) {
            if (name == "volume") {
                instrument.Volume = Number(value, 0, 64, "volume");
            } else if (name == "pan") {
                instrument.Pan = Number(value, 0, 255, "pan");
            } else {
                Fail("instruments have no \"" + name + "\"");
            }
        });
    } else if (verb == "voice") {
        need(3);
        if (!FSong.Patterns.empty()) {
            Fail("voices are declared before the first pattern");
        }
        if (FSong.Voices.size() == 32) {
            Fail("more than 32 voices");
        }
        TSongVoice& voice = FSong.Voices.emplace_back();
        voice.Name = words[1];
        voice.Instrument = FindInstrument(words[2]);
        if (voice.Instrument < 0) {
            Fail("instrument \"" + words[2] + "\" is not declared");
        }
        Options(words, 3, [&](const std::string& name, const std::string& value) {
            if (name != "volume") {
                Fail("voices have no \"" + name + "\"");
            }
            voice.Volume = Number(value, 0, 64, "volume");
        });
    } else if (verb == "pattern") {
        need(3);
        CheckPatternFilled();
        if (FSong.Voices.empty()) {
            Fail("a pattern before any voice");
        }
        if (FindPattern(words[1]) >= 0) {
            Fail("pattern \"" + words[1] + "\" exists already");
        }
        if (FSong.Patterns.size() == 256) {
            Fail("more than 256 patterns");
        }
        TSongPattern& pattern = FSong.Patterns.emplace_back();
        pattern.Name = words[1];
        pattern.Rows = Number(words[2], 1, 256, "row count");
        pattern.Cells.resize(static_cast<size_t>(pattern.Rows) * FSong.Voices.size());
        pattern.Filled.assign(FSong.Voices.size(), 0);
        pattern.LastRows.assign(FSong.Voices.size(), 1);
    } else if (verb == "order") {
        need(2);
        for (size_t i = 1; i < words.size(); ++i) {
            const int pattern = FindPattern(words[i]);
            if (pattern < 0) {
                Fail("order names pattern \"" + words[i] + "\", which is not defined above");
            }
            if (FSong.Order.size() == 256) {
                Fail("more than 256 orders");
            }
            FSong.Order.push_back(pattern);
        }
    } else {
        Fail("unknown statement \"" + verb + "\"");
    }
}

TSong TSongReader::Read() {
    std::istringstream in(FText);
    std::string line;
    while (std::getline(in, line)) {
        ++FLine;
        // "#" inside a note name (F#3) is a sharp; a comment starts at a "#" that begins a word.
        for (size_t hash = line.find('#'); hash != std::string::npos; hash = line.find('#', hash + 1)) {
            if (hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t') {
                line.erase(hash);
                break;
            }
        }
        const std::vector<std::string> words = Words(line);
        if (!words.empty()) {
            Statement(words);
        }
    }
    CheckPatternFilled();
    if (FSong.Order.empty()) {
        Fail("the song has no order");
    }
    return FSong;
}

} // namespace

TSong ParseSong(const std::string& text, const std::string& fileName) {
    return TSongReader(text, fileName).Read();
}

TXmModule BuildModule(const TSong& song, const TInstrumentMaker& make) {
    TXmModule module;
    module.Name = song.Title;
    module.Channels = static_cast<int>(song.Voices.size());
    module.Tempo = song.Speed;
    module.Bpm = song.Bpm;
    module.Order = song.Order;
    for (const TSongPattern& pattern : song.Patterns) {
        TXmPattern& written = module.Patterns.emplace_back();
        written.Rows = pattern.Rows;
        written.Cells = pattern.Cells;
    }
    for (const TSongInstrument& instrument : song.Instruments) {
        TXmInstrument made = make(instrument);
        made.Name = instrument.Name;
        made.Sample.Volume = static_cast<uint8_t>(instrument.Volume);
        made.Sample.Panning = static_cast<uint8_t>(instrument.Pan);
        module.Instruments.push_back(std::move(made));
    }
    return module;
}

} // namespace soundgen
