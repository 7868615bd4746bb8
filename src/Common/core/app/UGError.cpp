#include "UGError.h"

namespace qm {

namespace {

// A reader may put data into its error, and data may be megabytes: the text keeps its start, which
// names the operation and what went wrong, and says how long it was. The cut falls between
// characters, never inside one.
std::string Bounded(std::string text) {
    if (text.size() <= EGError::MaxTextBytes) {
        return text;
    }
    size_t cut = EGError::MaxTextBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    const size_t whole = text.size();
    text.resize(cut);
    return text + "... (" + std::to_string(whole) + " bytes in all)";
}

} // namespace

EGError::EGError(const std::string& message) : std::runtime_error(Bounded(message)) {}

EGError::EGError(const std::string& context, const std::string& detail)
    : std::runtime_error(Bounded(context + ": " + detail)) {}

EGError EGError::Failed(const std::string& context) {
    return EGError(context + " failed");
}

} // namespace qm
