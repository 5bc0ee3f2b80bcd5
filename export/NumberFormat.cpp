#include "export/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tarnwick {

namespace {

__extension__ typedef unsigned __int128 Uint128;

constexpr uint64_t kMicro = 1000000;
// Below this magnitude x * 10^6 rounds into a uint64 and the exact path applies.
constexpr double kExactLimit = 9.0e12;

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void WritePair(uint64_t value, char* out) {
  std::memcpy(out, kDigitPairs + 2 * value, 2);
}

// Writes the unsigned value's decimal digits; returns their count.
std::size_t WriteUnsigned(uint64_t value, char* out) {
  char digits[20];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = digits[count - 1 - i];
  }
  return count;
}

// x * 10^6 rounded half to even, computed exactly from x = mantissa / 2^shift.
uint64_t ScaledMicros(double magnitude) {
  uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int biasedExponent = static_cast<int>(bits >> 52);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  // Subnormals have no implicit leading bit and the smallest exponent.
  const uint64_t mantissa = biasedExponent == 0 ? fraction : fraction | (uint64_t{1} << 52);
  // magnitude < kExactLimit < 2^44, so shift is at least 9.
  const int shift = biasedExponent == 0 ? 1074 : 1075 - biasedExponent;
  if (shift >= 75) {
    return 0;  // mantissa * 10^6 < 2^73 is below half of 2^shift
  }
  const Uint128 product = static_cast<Uint128>(mantissa) * kMicro;
  const uint64_t quotient = static_cast<uint64_t>(product >> shift);
  const Uint128 remainder = product - (static_cast<Uint128>(quotient) << shift);
  const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
  if (remainder > half || (remainder == half && (quotient & 1) != 0)) {
    return quotient + 1;
  }
  return quotient;
}

std::size_t WriteNonFinite(double x, char* out) {
  const char* spelling = std::isnan(x) ? "0/0" : (x > 0 ? "1e999" : "-1e999");
  const std::size_t length = std::strlen(spelling);
  std::memcpy(out, spelling, length);
  return length;
}

}  // namespace

std::size_t FormatFixed6(double x, char* out) {
  if (!std::isfinite(x)) {
    return WriteNonFinite(x, out);
  }
  const double magnitude = std::fabs(x);
  if (magnitude >= kExactLimit) {
    const std::to_chars_result result =
        std::to_chars(out, out + kFixed6MaxLength, x, std::chars_format::fixed, 6);
    return static_cast<std::size_t>(result.ptr - out);
  }
  std::size_t length = 0;
  if (std::signbit(x)) {
    out[length++] = '-';
  }
  const uint64_t micros = ScaledMicros(magnitude);
  const uint64_t whole = micros / kMicro;
  if (whole < 10) {
    out[length++] = static_cast<char>('0' + whole);
  } else {
    length += WriteUnsigned(whole, out + length);
  }
  out[length++] = '.';
  const uint64_t fraction = micros % kMicro;
  WritePair(fraction / 10000, out + length);
  WritePair(fraction / 100 % 100, out + length + 2);
  WritePair(fraction % 100, out + length + 4);
  return length + 6;
}

std::size_t FormatInteger(int64_t value, char* out) {
  if (value < 0) {
    out[0] = '-';
    // Negate in unsigned arithmetic so INT64_MIN does not overflow.
    return 1 + WriteUnsigned(0 - static_cast<uint64_t>(value), out + 1);
  }
  return WriteUnsigned(static_cast<uint64_t>(value), out);
}

}  // namespace tarnwick
