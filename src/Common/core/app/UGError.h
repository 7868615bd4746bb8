#pragma once

#include <stdexcept>
#include <string>

namespace qm {

// The one error type of the engine and the game. Its text is a context naming the failing
// operation ("TGResManager.GetSeq"), ": " and a detail; an operation with nothing to add
// reports its context followed by " failed".
class EGError : public std::runtime_error {
public:
    // A complete message, used where the text is fixed as a whole ("SHGetSpecialFolderPath failed!").
    explicit EGError(const std::string& message);
    EGError(const std::string& context, const std::string& detail);

    // "<context> failed".
    static EGError Failed(const std::string& context);

    static constexpr size_t MaxTextBytes = 2048;
};

} // namespace qm
