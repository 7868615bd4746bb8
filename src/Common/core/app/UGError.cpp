#include "UGError.h"

namespace qm {

EGError::EGError(const std::string& message) : std::runtime_error(message) {}

EGError::EGError(const std::string& context, const std::string& detail)
    : std::runtime_error(context + ": " + detail) {}

EGError EGError::Failed(const std::string& context) {
    return EGError(context + " failed");
}

} // namespace qm
