// Number formatting for the settings text, identical on every platform and C
// runtime: the C library's printf is never used.
#ifndef TARNWICK_EXPORT_NUMBER_FORMAT_H
#define TARNWICK_EXPORT_NUMBER_FORMAT_H

#include <cstddef>
#include <cstdint>

namespace tarnwick {

// Longest output of FormatFixed6: sign, 309 integer digits, point, 6 decimals.
constexpr std::size_t kFixed6MaxLength = 1 + 309 + 1 + 6;
// Longest output of FormatInteger: sign and 19 digits.
constexpr std::size_t kIntegerMaxLength = 20;

// Writes x as "%f" does (fixed notation, six decimals, rounded half to even on
// the exact binary value, sign kept for negative values and -0). Non-finite
// values are written as Lua expressions of the same value: 1e999, -1e999, 0/0.
// Returns the number of characters written; no terminating NUL.
// Out must have room for kFixed6MaxLength characters.
inline std::size_t FormatFixed6(double x, char* out);

// FormatFixed6 for any value, the slow way every value can take.
std::size_t FormatFixed6Exactly(double x, char* out);

// FormatFixed6 for a finite value of magnitude 9e12 or more, by integer
// arithmetic alone: for standard libraries without a floating to_chars (the
// page's). Exact for every such value.
std::size_t FormatFixed6Wide(double x, char* out);

// Writes a signed integer in decimal, as "%i" does.
std::size_t FormatInteger(int64_t value, char* out);

// Writes first and second as FormatFixed6 does, with the literal text
// between them; both numbers are converted at once when the processor can.
template <std::size_t N>
std::size_t FormatFixed6Pair(double first, const char (&between)[N], double second, char* out);

}  // namespace tarnwick

#include "export/NumberFormatQuick.h"

#endif
