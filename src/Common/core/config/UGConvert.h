#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qm {

// Number conversions of the configuration layer. None of them looks at the C locale.

// The leading-integer rule: leading spaces are skipped, then an optional sign, then decimal
// digits, or hexadecimal digits after "$" or "0x"; reading stops at the first character that
// does not fit and the value read so far is the result ("12abc" is 12, "1,5" is 1, "true" and
// "" are 0). Values beyond 64 bits saturate.
int64_t ParseLeadingInt64(std::string_view text);

// The leading integer reduced to 32 bits the way a 32-bit integer conversion wraps it.
int32_t ParseLeadingInt(std::string_view text);

// A whole text written with a comma as decimal separator: optional sign, digits, optional
// comma and digits, optional exponent with E or e, surrounding spaces allowed. Anything else
// (a decimal point, thousands separators, trailing words) gives no value.
std::optional<double> ParseCommaFloat(std::string_view text);

// A whole text as a decimal integer (optional sign, digits, surrounding spaces allowed).
std::optional<int64_t> ParseDecimalInt(std::string_view text);

// A whole text as a floating number with "." as decimal separator, else with ",".
std::optional<double> ParsePointOrCommaFloat(std::string_view text);

} // namespace qm
