// The quick way of FormatFixed6, inlined into the line writers: numbers below
// 8 in magnitude, which is nearly every number of a normalised outline.
//
// x * 10^6 is taken in doubles. Rounding the product, in any mode, cannot
// carry it across a half-integer, since those are doubles at this size; so
// when the rounded product is less than a half from an integer, the exact
// product rounds to that integer too. A rounded product on a half-integer, or
// a larger magnitude, goes the exact way.
#ifndef TARNWICK_EXPORT_NUMBER_FORMAT_QUICK_H
#define TARNWICK_EXPORT_NUMBER_FORMAT_QUICK_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarnwick {

namespace number_format {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "digits are packed little-endian");

// Below this magnitude x * 10^6 rounds to fewer than 8 digits, and every
// half-integer up to it is a double.
constexpr double kQuickLimit = 8.0;
// Added and taken away, it rounds a double below 2^51 to an integer in the
// current rounding mode, which need not be the nearest; the offset check
// sees that it is. In between, the integer is the double's low bits.
constexpr double kIntegerShift = 0x1p52;
constexpr uint64_t kSignBit = uint64_t{1} << 63;

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

// Digits "0W" then six decimals, as EightDigits packs them, become "W.",
// then the decimals: the units digit moves down a byte, the point takes its
// place.
inline uint64_t PlacePoint(uint64_t digits) {
  return ((digits >> 8) & 0xFF) | (uint64_t{'.'} << 8) | (digits & ~uint64_t{0xFFFF});
}

// "W.FFFFFF" of x's magnitude as eight bytes in memory order, or false when
// x must go the exact way.
inline bool QuickWord(double x, uint64_t& word) {
  const double magnitude = std::fabs(x);
  if (!(magnitude < kQuickLimit)) {
    return false;  // larger, infinite or not a number
  }
  const double scaled = magnitude * 1e6;
  const double nearest = (scaled + kIntegerShift) - kIntegerShift;
  const double offset = scaled - nearest;
  if (!(offset < 0.5 && offset > -0.5)) {
    return false;
  }
  word = PlacePoint(EightDigits(static_cast<uint32_t>(nearest)));
  return true;
}

#if defined(__SSE2__)
// QuickWord of two numbers at once, in the two lanes of a vector; the digits
// come from the same divisions by constants, done as multiplications whose
// error cannot reach the next integer, eight 16-bit lanes at a time.
inline bool QuickWords(double first, double second, uint64_t words[2]) {
  const __m128d signless = _mm_castsi128_pd(_mm_set1_epi64x(static_cast<int64_t>(~kSignBit)));
  const __m128d magnitude = _mm_and_pd(_mm_set_pd(second, first), signless);
  const __m128d scaled = _mm_mul_pd(magnitude, _mm_set1_pd(1e6));
  const __m128d shifted = _mm_add_pd(scaled, _mm_set1_pd(kIntegerShift));
  const __m128d offset =
      _mm_and_pd(_mm_sub_pd(scaled, _mm_sub_pd(shifted, _mm_set1_pd(kIntegerShift))), signless);
  const __m128d quick = _mm_and_pd(_mm_cmplt_pd(magnitude, _mm_set1_pd(kQuickLimit)),
                                   _mm_cmplt_pd(offset, _mm_set1_pd(0.5)));
  if (_mm_movemask_pd(quick) != 3) {
    return false;
  }
  // Each 64-bit lane's low 32 bits hold the integer; split it into its high
  // and low four digits (the upper halves of `low` are left over, unused).
  const __m128i integers = _mm_castpd_si128(shifted);
  const __m128i high =
      _mm_srli_epi64(_mm_mul_epu32(integers, _mm_set1_epi32(static_cast<int>(0xd1b71759))), 45);
  const __m128i low = _mm_sub_epi32(integers, _mm_mul_epu32(high, _mm_set1_epi32(10000)));
  // Per number, eight 16-bit lanes: its high half four times, its low half
  // four times, each times four for the precision of the divisions below.
  const auto spread = [](__m128i halves) {
    const __m128i twice = _mm_shufflelo_epi16(halves, _MM_SHUFFLE(2, 2, 0, 0));
    return _mm_slli_epi16(_mm_unpacklo_epi16(twice, twice), 2);
  };
  const __m128i firstHalves = spread(_mm_unpacklo_epi32(high, low));
  const __m128i secondHalves = spread(_mm_unpackhi_epi32(high, low));
  // Lanes divided by 1000, 100, 10 and 1: each 4v * m / 2^16, then / 2^s.
  const __m128i divisors = _mm_setr_epi16(8389, 5243, 13108, -32768, 8389, 5243, 13108, -32768);
  const __m128i shifts =
      _mm_setr_epi16(1 << 7, 1 << 11, 1 << 13, -32768, 1 << 7, 1 << 11, 1 << 13, -32768);
  const auto digits = [&](__m128i spread4) {
    const __m128i prefixes = _mm_mulhi_epu16(_mm_mulhi_epu16(spread4, divisors), shifts);
    // Each prefix less ten times the one before it is its last digit.
    const __m128i tens = _mm_slli_epi64(_mm_mullo_epi16(prefixes, _mm_set1_epi16(10)), 16);
    return _mm_sub_epi16(prefixes, tens);
  };
  const __m128i packed =
      _mm_add_epi8(_mm_packus_epi16(digits(firstHalves), digits(secondHalves)), _mm_set1_epi8('0'));
  // PlacePoint on both words.
  const __m128i units = _mm_and_si128(_mm_srli_epi64(packed, 8), _mm_set1_epi64x(0xFF));
  const __m128i decimals = _mm_and_si128(packed, _mm_set1_epi64x(~int64_t{0xFFFF}));
  const __m128i placed =
      _mm_or_si128(_mm_or_si128(units, decimals), _mm_set1_epi64x(int64_t{'.'} << 8));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(words), placed);
  return true;
}
#else
inline bool QuickWords(double first, double second, uint64_t words[2]) {
  return QuickWord(first, words[0]) && QuickWord(second, words[1]);
}
#endif

// Writes a quick word with x's sign: the minus is written in any case and
// kept only for a negative x.
inline std::size_t WriteQuick(uint64_t word, double x, char* out) {
  uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  const uint64_t negative = bits >> 63;
  out[0] = '-';
  std::memcpy(out + negative, &word, sizeof word);
  return negative + sizeof word;
}

}  // namespace number_format

inline std::size_t FormatFixed6(double x, char* out) {
  uint64_t word = 0;
  if (number_format::QuickWord(x, word)) {
    return number_format::WriteQuick(word, x, out);
  }
  return FormatFixed6Exactly(x, out);
}

template <std::size_t N>
std::size_t FormatFixed6Pair(double first, const char (&between)[N], double second, char* out) {
  uint64_t words[2];
  const bool quick = number_format::QuickWords(first, second, words);
  std::size_t length =
      quick ? number_format::WriteQuick(words[0], first, out) : FormatFixed6(first, out);
  std::memcpy(out + length, between, N - 1);
  length += N - 1;
  return length + (quick ? number_format::WriteQuick(words[1], second, out + length)
                         : FormatFixed6(second, out + length));
}

}  // namespace tarnwick

#endif
