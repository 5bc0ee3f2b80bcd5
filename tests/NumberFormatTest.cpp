#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "export/NumberFormat.h"

namespace tarnwick {
namespace {

std::string Fixed6(double x) {
  char buffer[kFixed6MaxLength + 1];
  return std::string(buffer, FormatFixed6(x, buffer));
}

// Two numbers converted together, as the point lines do.
std::string Fixed6Pair(double first, double second) {
  char buffer[2 * kFixed6MaxLength + 1];
  return std::string(buffer, FormatFixed6Pair(first, "|", second, buffer));
}

std::string Glibc(double x) {
  char buffer[400];
  const int length = std::snprintf(buffer, sizeof buffer, "%f", x);
  return std::string(buffer, static_cast<std::size_t>(length));
}

TEST(NumberFormat, KnownSpellings) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.5, "0.500000"},
      {1.0, "1.000000"},
      {0.0, "0.000000"},
      {-0.0, "-0.000000"},
      {-0.0000004, "-0.000000"},
      {0.0078125, "0.007812"},  // an exact tie rounds to even
      {-0.0078125, "-0.007812"},
      {0.0000005, "0.000000"},  // just below the tie in binary
      {0.0000015, "0.000002"},
      {-0.09999999999999998, "-0.100000"},
      {1e15, "1000000000000000.000000"},
      {inf, "1e999"},
      {-inf, "-1e999"},
      {std::nan(""), "0/0"},
      {-std::nan(""), "0/0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Fixed6(c.value), c.text) << c.value;
  }
}

// The exact path on its own, at the ends of its range: subnormals and the
// smallest normals (which round to zero without touching the product), the
// largest magnitude it takes and the first it hands on.
TEST(NumberFormat, ExactPathAtItsLimits) {
  const double values[] = {std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::denorm_min(),
                           DBL_MIN,
                           -DBL_MIN,
                           1e-300,
                           5e-7,
                           std::nextafter(5e-7, 1.0),
                           std::nextafter(9.0e12, 0.0),
                           9.0e12,
                           -9.0e12};
  for (const double x : values) {
    char buffer[kFixed6MaxLength + 1];
    EXPECT_EQ(std::string(buffer, FormatFixed6Exactly(x, buffer)), Glibc(x)) << Glibc(x);
  }
}

TEST(NumberFormat, IntegersWithoutPrintf) {
  const struct {
    int64_t value;
    const char* text;
  } cases[] = {{0, "0"},
               {7, "7"},
               {-1, "-1"},
               {100, "100"},
               {2147483647, "2147483647"},
               {-2147483648LL, "-2147483648"},
               {INT64_MIN, "-9223372036854775808"}};
  for (const auto& c : cases) {
    char buffer[kIntegerMaxLength];
    EXPECT_EQ(std::string(buffer, FormatInteger(c.value, buffer)), c.text);
  }
}

// glibc's printf is exact; it is the reference here, not the implementation.
TEST(NumberFormat, AgreesWithGlibcAcrossMagnitudes) {
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<double> values = {0.0,
                                -0.0,
                                DBL_MAX,
                                -DBL_MAX,
                                DBL_MIN,
                                -DBL_MIN,
                                std::numeric_limits<double>::denorm_min(),
                                9.0e12,
                                std::nextafter(9.0e12, 0.0),
                                4503599627370496.5};
  for (int e = -1074; e <= 1023; ++e) {
    values.push_back(std::ldexp(1.0, e));
    values.push_back(-std::ldexp(1.0, e));
  }
  // Exact ties at the sixth decimal: k / 2^n with n <= 6 digits of 5s.
  // And the doubles next to them, where a product rounded in doubles can land
  // on either side of the tie.
  for (int k = 1; k < 2000; k += 2) {
    for (const double tie : {k / 128.0, -k / 64.0, (k + 0.5) / 1000000.0}) {
      values.insert(values.end(), {tie, std::nextafter(tie, -1e9), std::nextafter(tie, 1e9)});
    }
  }
  for (int i = 0; i < 400000; ++i) {
    values.push_back(unit(random));
    uint64_t bits = random();
    double x = 0;
    std::memcpy(&x, &bits, sizeof x);
    if (std::isfinite(x)) {
      values.push_back(x);
    }
    values.push_back(std::ldexp(unit(random), static_cast<int>(random() % 100) - 50));
  }
  std::size_t mismatches = 0;
  for (double x : values) {
    if (Fixed6(x) != Glibc(x) && ++mismatches < 10) {
      ADD_FAILURE() << "for " << Glibc(x) << " got " << Fixed6(x);
    }
    // The page's way for large magnitudes, where its library has no
    // floating to_chars: the same digits.
    if (std::isfinite(x) && std::fabs(x) >= 9.0e12) {
      char wide[kFixed6MaxLength + 1];
      if (std::string(wide, FormatFixed6Wide(x, wide)) != Glibc(x) && ++mismatches < 10) {
        ADD_FAILURE() << "wide: for " << Glibc(x) << " got "
                      << std::string(wide, FormatFixed6Wide(x, wide));
      }
    }
  }
  // Each value paired with its neighbour, so quick and slow ones meet too.
  for (std::size_t i = 0; i + 1 < values.size(); ++i) {
    const std::string expected = Glibc(values[i]) + "|" + Glibc(values[i + 1]);
    if (Fixed6Pair(values[i], values[i + 1]) != expected && ++mismatches < 10) {
      ADD_FAILURE() << "for " << expected << " got " << Fixed6Pair(values[i], values[i + 1]);
    }
  }
  EXPECT_GE(values.size(), 1000000u);
  EXPECT_EQ(mismatches, 0u);
}

// The module runs in the host's process, whose rounding mode it does not
// choose: the text must not depend on it.
TEST(NumberFormat, SameInEveryRoundingMode) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(-8.0, 8.0);
  std::vector<double> values;
  for (int k = 1; k < 4000; k += 2) {
    const double tie = (k + 0.5) / 1000000.0;
    values.insert(values.end(),
                  {k / 128.0, tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1.0)});
  }
  for (int i = 0; i < 20000; ++i) values.push_back(unit(random));
  // Each value, and each paired with the next.
  const auto both = [&values](std::size_t i) {
    return Fixed6(values[i]) + " " + Fixed6Pair(values[i], values[(i + 1) % values.size()]);
  };
  std::vector<std::string> nearest;
  for (std::size_t i = 0; i < values.size(); ++i) nearest.push_back(both(i));
  for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (both(i) != nearest[i] && ++mismatches < 5) {
        ADD_FAILURE() << "mode " << mode << ": " << nearest[i] << " became " << both(i);
      }
    }
    std::fesetround(FE_TONEAREST);
  }
}

}  // namespace
}  // namespace tarnwick
