#include "export/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tarnwick {

namespace {

__extension__ typedef unsigned __int128 Uint128;

constexpr uint64_t kMicro = 1000000;

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

constexpr uint64_t kHiddenBit = uint64_t{1} << 52;

uint64_t BitsOf(double x) {
  uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

// x * 10^6 rounded half to even, computed exactly from the magnitude's bits:
// x = mantissa / 2^shift, so the result is (mantissa * 10^6) / 2^shift.
uint64_t ScaledMicros(uint64_t magnitudeBits) {
  const int biasedExponent = static_cast<int>(magnitudeBits >> 52);
  const uint64_t fraction = magnitudeBits & (kHiddenBit - 1);
  // Subnormals have no implicit leading bit and the smallest exponent.
  const uint64_t mantissa = biasedExponent == 0 ? fraction : fraction | kHiddenBit;
  // magnitude < 9e12 < 2^44, so shift is at least 9.
  const int shift = biasedExponent == 0 ? 1074 : 1075 - biasedExponent;
  if (shift >= 75) {
    return 0;  // mantissa * 10^6 < 2^73 is below half of 2^shift
  }
  const Uint128 product = static_cast<Uint128>(mantissa) * kMicro;
  // Adding half less one, plus the truncated quotient's low bit, turns the
  // truncating shift into rounding half to even without a branch.
  const uint64_t truncatedLowBit = static_cast<uint64_t>(product >> shift) & 1;
  const Uint128 bias = (static_cast<Uint128>(1) << (shift - 1)) - 1 + truncatedLowBit;
  return static_cast<uint64_t>((product + bias) >> shift);
}

// Writes the six digits of a value below 10^6, two at a time.
void WriteSixDigits(uint32_t value, char* out) {
  const uint32_t high = value / 10000;
  const uint32_t low = value - high * 10000;
  WritePair(high, out);
  WritePair(low / 100, out + 2);
  WritePair(low % 100, out + 4);
}

// The whole part of a value of ten or more: rare in an export of normalised
// coordinates, and kept out of line so the common path needs no stack frame.
__attribute__((noinline, cold)) std::size_t WriteWholePart(uint64_t whole, char* out) {
  return WriteUnsigned(whole, out);
}

std::size_t WriteNonFinite(double x, char* out) {
  const char* spelling = std::isnan(x) ? "0/0" : (x > 0 ? "1e999" : "-1e999");
  const std::size_t length = std::strlen(spelling);
  std::memcpy(out, spelling, length);
  return length;
}

// The bits of 9e12. Below it in magnitude, x * 10^6 rounds into a uint64 and
// the exact integer path applies; larger magnitudes, infinities and NaNs
// included (their bits order above every finite magnitude's), do not.
constexpr uint64_t kExactLimitBits = 0x42a05ef39b200000;

std::size_t FormatLarge(double x, char* out) {
  if (!std::isfinite(x)) {
    return WriteNonFinite(x, out);
  }
#if defined(__cpp_lib_to_chars) || !defined(__EMSCRIPTEN__)
  const std::to_chars_result result =
      std::to_chars(out, out + kFixed6MaxLength, x, std::chars_format::fixed, 6);
  return static_cast<std::size_t>(result.ptr - out);
#else
  return FormatFixed6Wide(x, out);
#endif
}

// Writes the digits of a value held as base-10^9 limbs, least significant
// first; returns the count written.
std::size_t WriteLimbs(const uint32_t* limbs, std::size_t count, char* out) {
  char* cursor = out;
  cursor += FormatInteger(limbs[count - 1], cursor);
  for (std::size_t i = count - 1; i-- > 0;) {
    uint32_t limb = limbs[i];
    for (int digit = 8; digit >= 0; --digit) {
      cursor[digit] = static_cast<char>('0' + limb % 10);
      limb /= 10;
    }
    cursor += 9;
  }
  return static_cast<std::size_t>(cursor - out);
}

}  // namespace

std::size_t FormatFixed6Wide(double x, char* out) {
  const uint64_t bits = BitsOf(x);
  char* cursor = out;
  if (bits >> 63) *cursor++ = '-';
  const auto biased = static_cast<int>((bits >> 52) & 0x7ff);
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  const int exponent = biased - 1075;  // x = mantissa * 2^exponent; 9e12 and up: exponent >= -9
  constexpr uint32_t kLimb = 1000000000;
  if (exponent >= 0) {
    // A whole number of up to 309 digits: the mantissa doubled exponent
    // times, in base-10^9 limbs.
    uint32_t limbs[40] = {static_cast<uint32_t>(mantissa % kLimb),
                          static_cast<uint32_t>(mantissa / kLimb)};
    std::size_t count = limbs[1] != 0 ? 2 : 1;
    for (int left = exponent; left > 0;) {
      const int step = left < 29 ? left : 29;
      left -= step;
      uint64_t carry = 0;
      for (std::size_t i = 0; i < count; ++i) {
        const uint64_t product = (uint64_t{limbs[i]} << step) + carry;
        limbs[i] = static_cast<uint32_t>(product % kLimb);
        carry = product / kLimb;
      }
      while (carry != 0) {
        limbs[count++] = static_cast<uint32_t>(carry % kLimb);
        carry /= kLimb;
      }
    }
    cursor += WriteLimbs(limbs, count, cursor);
    std::memcpy(cursor, ".000000", 7);
    return static_cast<std::size_t>(cursor + 7 - out);
  }
  // A few bits below the point: millionths = mantissa * 10^6 / 2^shift,
  // rounded half to even on the exact remainder.
  const int shift = -exponent;
  const Uint128 scaled = static_cast<Uint128>(mantissa) * kMicro;
  Uint128 micros = scaled >> shift;
  const Uint128 remainder = scaled - (micros << shift);
  const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
  if (remainder > half || (remainder == half && (micros & 1) != 0)) ++micros;
  cursor += FormatInteger(static_cast<int64_t>(micros / kMicro), cursor);
  uint32_t fraction = static_cast<uint32_t>(micros % kMicro);
  *cursor++ = '.';
  for (int digit = 5; digit >= 0; --digit) {
    cursor[digit] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return static_cast<std::size_t>(cursor + 6 - out);
}

// The integer path for magnitudes below 9e12, the standard library's
// conversion above it.
std::size_t FormatFixed6Exactly(double x, char* out) {
  const uint64_t bits = BitsOf(x);
  const uint64_t magnitudeBits = bits & ~number_format::kSignBit;
  if (magnitudeBits >= kExactLimitBits) {
    return FormatLarge(x, out);
  }
  // The sign is written unconditionally and kept only for negative values.
  out[0] = '-';
  char* cursor = out + (bits >> 63);
  const uint64_t micros = ScaledMicros(magnitudeBits);
  const uint64_t whole = micros / kMicro;
  const uint32_t fraction = static_cast<uint32_t>(micros - whole * kMicro);
  if (whole < 10) {
    *cursor++ = static_cast<char>('0' + whole);
  } else {
    cursor += WriteWholePart(whole, cursor);
  }
  *cursor = '.';
  WriteSixDigits(fraction, cursor + 1);
  return static_cast<std::size_t>(cursor + 7 - out);
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
