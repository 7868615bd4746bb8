#pragma once

// Texts from the language files that carry numbers ("%d levels left") are edited by translators,
// so they are never handed to printf. This formatter knows only "%d" (the next number given)
// and "%%" (a percent sign); a "%d" beyond the numbers given and every other "%" sequence are
// kept as they stand.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qm {

std::string SafeFormat(std::string_view format, std::initializer_list<int64_t> numbers);

} // namespace qm
