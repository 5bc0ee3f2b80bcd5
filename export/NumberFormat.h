// Number formatting for the settings text, identical on every platform and C
// runtime: the C library's printf is never used.
#ifndef TARNWICK_EXPORT_NUMBER_FORMAT_H
#define TARNWICK_EXPORT_NUMBER_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <cstring>

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

// Writes a signed integer in decimal, as "%i" does.
std::size_t FormatInteger(int64_t value, char* out);

namespace number_format {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "digits are packed little-endian");

// The eight decimal digits of a value below 10^8 as ASCII, packed so that the
// most significant lands first in memory. The halves of the value are split
// in parallel lanes of one word: two lanes of 32 bits into pairs of digits,
// four lanes of 16 bits into single digits, each division by a constant
// done as a multiplication whose error cannot reach the next integer.
inline uint64_t EightDigits(uint32_t value) {
  const uint64_t high = value / 10000;
  const uint64_t low = value - high * 10000;
  const uint64_t quarters = high | (low << 32);
  const uint64_t hundreds = ((quarters * 10486) >> 20) & 0x0000007F0000007F;  // lane / 100
  const uint64_t pairs = hundreds | ((quarters - hundreds * 100) << 16);
  const uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000F;  // lane / 10
  const uint64_t digits = tens | ((pairs - tens * 10) << 8);
  return digits + 0x3030303030303030;
}

// Below this magnitude x * 10^6 rounds to fewer than 8 digits, and every
// half-integer up to it is a double.
constexpr uint64_t kQuickLimitBits = 0x4020000000000000;  // 8.0
constexpr double kIntegerShift = 0x1p52;

}  // namespace number_format

// The common case, a magnitude below 8, takes the product in doubles and is
// inlined into the line writers. Rounding the product, in any mode, cannot
// carry it across a half-integer, since those are doubles here; so when the
// rounded product is less than a half from an integer, the exact product
// rounds to that integer too. A rounded product on a half-integer, or a
// larger magnitude, goes the exact way.
inline std::size_t FormatFixed6(double x, char* out) {
  uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  const uint64_t magnitudeBits = bits & ~(uint64_t{1} << 63);
  if (magnitudeBits < number_format::kQuickLimitBits) {
    double magnitude = 0;
    std::memcpy(&magnitude, &magnitudeBits, sizeof magnitude);
    const double scaled = magnitude * 1e6;
    // Adding and taking away 2^52 rounds to an integer in the current mode,
    // which need not be the nearest: the check below sees that it is.
    const double nearest = (scaled + number_format::kIntegerShift) - number_format::kIntegerShift;
    const double offset = scaled - nearest;
    if (offset < 0.5 && offset > -0.5) {
      const uint64_t negative = bits >> 63;
      out[0] = '-';
      // Digits "0W" then six decimals: the units digit moves down a byte and
      // the point takes its place.
      const uint64_t digits = number_format::EightDigits(static_cast<uint32_t>(nearest));
      const uint64_t word = ((digits >> 8) & 0xFF) | (uint64_t{'.'} << 8) | (digits & ~0xFFFFull);
      std::memcpy(out + negative, &word, sizeof word);
      return negative + 8;
    }
  }
  return FormatFixed6Exactly(x, out);
}

}  // namespace tarnwick

#endif
