#pragma once

// The event trace of `--trace FILE`: one line per game event as it happens, each starting with
// the number of the frame it happened in ("1520 swap 3,4 3,5"). Tests and bug reports read what
// a run did from it. Each line is flushed at once, so a run that is killed keeps what it wrote.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace qm {

class TGEventTrace {
public:
    // Raises "TGEventTrace.Create: cannot write FILE" when the file cannot be created.
    explicit TGEventTrace(const std::filesystem::path& file);
    ~TGEventTrace();
    TGEventTrace(const TGEventTrace&) = delete;
    TGEventTrace& operator=(const TGEventTrace&) = delete;

    // The frame loop tells the trace which frame runs.
    void SetFrame(uint64_t frame) { FFrame = frame; }
    uint64_t Frame() const { return FFrame; }
    // One event; a line break inside it would split the event, so it becomes a space.
    void Write(const std::string& event);

private:
    std::FILE* FFile = nullptr;
    uint64_t FFrame = 0;
};

} // namespace qm
