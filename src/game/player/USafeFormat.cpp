#include "USafeFormat.h"

namespace qm {

std::string SafeFormat(std::string_view format, std::initializer_list<int64_t> numbers) {
    std::string out;
    out.reserve(format.size() + 16);
    auto next = numbers.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        const bool directive = format[i] == '%' && i + 1 < format.size();
        if (directive && format[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (directive && format[i + 1] == 'd' && next != numbers.end()) {
            out += std::to_string(*next++);
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

} // namespace qm
