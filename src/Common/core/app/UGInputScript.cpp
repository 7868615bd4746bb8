#include "UGInputScript.h"

#include "UGConvert.h"
#include "UGError.h"
#include "UGFileSystem.h"
#include "UGKeys.h"
#include "UGStrings.h"

#include <sstream>

namespace qm {

namespace {

class TLineReader {
public:
    TLineReader(const std::string& sourceName, int lineNumber, const std::string& line)
        : FSource(sourceName), FLineNumber(lineNumber), FStream(line) {}

    [[noreturn]] void Fail(const std::string& problem) const {
        throw EGError("TGInputScript.Parse",
                      Format("\"%s\" line %d: %s", FSource.c_str(), FLineNumber, problem.c_str()));
    }

    bool Next(std::string& word) { return static_cast<bool>(FStream >> word); }

    std::string Word(const char* what) {
        std::string word;
        if (!Next(word)) {
            Fail(Format("%s expected", what));
        }
        return word;
    }

    int64_t Number(const char* what) {
        std::string word = Word(what);
        auto value = ParseDecimalInt(word);
        if (!value) {
            Fail(Format("%s expected, found \"%s\"", what, word.c_str()));
        }
        return *value;
    }

    std::string Rest() {
        std::string rest;
        std::getline(FStream, rest);
        return Trim(rest);
    }

    void ExpectEnd() {
        std::string extra;
        if (Next(extra)) {
            Fail(Format("unexpected \"%s\"", extra.c_str()));
        }
    }

private:
    const std::string& FSource;
    int FLineNumber;
    std::istringstream FStream;
};

int ButtonOf(TLineReader& reader) {
    std::string name = LowerAscii(reader.Word("button"));
    if (name == "left") {
        return 0;
    }
    if (name == "right") {
        return 1;
    }
    reader.Fail(Format("unknown button \"%s\"", name.c_str()));
}

int KeyOf(TLineReader& reader) {
    std::string name = reader.Word("key");
    int key = VirtualKeyFromName(name.c_str());
    if (key == 0) {
        reader.Fail(Format("unknown key \"%s\"", name.c_str()));
    }
    return key;
}

// Decodes UTF-8 text into key presses, one per code point.
void AppendCharacters(const std::string& text, std::vector<TGWindowEvent>& events) {
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t cp = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < text.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        TGWindowEvent event;
        event.Kind = TGWindowEvent::KeyPress;
        event.Char = cp;
        events.push_back(event);
        i += static_cast<size_t>(length);
    }
}

void ParseEvent(TLineReader& reader, std::vector<TGWindowEvent>& events) {
    std::string verb = LowerAscii(reader.Word("event"));
    TGWindowEvent event;
    if (verb == "move") {
        event.Kind = TGWindowEvent::MouseMove;
        event.X = static_cast<int>(reader.Number("x"));
        event.Y = static_cast<int>(reader.Number("y"));
    } else if (verb == "down" || verb == "up") {
        event.Kind = verb == "down" ? TGWindowEvent::MouseDown : TGWindowEvent::MouseUp;
        event.Button = ButtonOf(reader);
        std::string x;
        if (reader.Next(x)) {
            auto value = ParseDecimalInt(x);
            if (!value) {
                reader.Fail(Format("x expected, found \"%s\"", x.c_str()));
            }
            event.X = static_cast<int>(*value);
            event.Y = static_cast<int>(reader.Number("y"));
        } else {
            event.HasPosition = false;
        }
    } else if (verb == "dblclick") {
        event.Kind = TGWindowEvent::DblClick;
    } else if (verb == "wheel") {
        std::string direction = LowerAscii(reader.Word("wheel direction"));
        if (direction != "up" && direction != "down") {
            reader.Fail(Format("unknown wheel direction \"%s\"", direction.c_str()));
        }
        event.Kind = direction == "up" ? TGWindowEvent::WheelUp : TGWindowEvent::WheelDown;
    } else if (verb == "keydown" || verb == "keyup") {
        event.Kind = verb == "keydown" ? TGWindowEvent::KeyDown : TGWindowEvent::KeyUp;
        event.Key = KeyOf(reader);
    } else if (verb == "key") {
        event.Kind = TGWindowEvent::KeyDown;
        event.Key = KeyOf(reader);
        reader.ExpectEnd();
        events.push_back(event);
        event.Kind = TGWindowEvent::KeyUp;
        events.push_back(event);
        return;
    } else if (verb == "char") {
        std::string text = reader.Rest();
        if (text.empty()) {
            reader.Fail("text expected");
        }
        AppendCharacters(text, events);
        return;
    } else if (verb == "focus") {
        std::string state = LowerAscii(reader.Word("lost or gained"));
        if (state != "lost" && state != "gained") {
            reader.Fail(Format("unknown focus change \"%s\"", state.c_str()));
        }
        event.Kind = state == "lost" ? TGWindowEvent::FocusLost : TGWindowEvent::FocusGained;
    } else if (verb == "minimize") {
        event.Kind = TGWindowEvent::Minimized;
    } else if (verb == "restore") {
        event.Kind = TGWindowEvent::Restored;
    } else if (verb == "quit") {
        event.Kind = TGWindowEvent::Quit;
    } else {
        reader.Fail(Format("unknown event \"%s\"", verb.c_str()));
    }
    reader.ExpectEnd();
    events.push_back(event);
}

} // namespace

TGInputScript TGInputScript::LoadFromFile(const std::filesystem::path& path) {
    return Parse(ReadWholeFile(path), path.string());
}

TGInputScript TGInputScript::Parse(const std::string& text, const std::string& sourceName) {
    TGInputScript script;
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        size_t comment = line.find('#');
        if (comment != std::string::npos) {
            line.erase(comment);
        }
        if (Trim(line).empty()) {
            continue;
        }
        TLineReader reader(sourceName, lineNumber, line);
        int64_t frame = reader.Number("frame number");
        if (frame < 1) {
            reader.Fail("frame numbers start at 1");
        }
        ParseEvent(reader, script.FEvents[static_cast<uint64_t>(frame)]);
    }
    return script;
}

const std::vector<TGWindowEvent>& TGInputScript::EventsAt(uint64_t frame) const {
    static const std::vector<TGWindowEvent> none;
    auto it = FEvents.find(frame);
    return it == FEvents.end() ? none : it->second;
}

} // namespace qm
