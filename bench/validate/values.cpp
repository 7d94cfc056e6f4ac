#include "bench/validate/values.h"

#include <array>
#include <bit>
#include <cmath>
#include <limits>

namespace bench::validate {

namespace {

using Limits = std::numeric_limits<double>;

const std::array<double, 36> kSpecialReals = {
    Limits::quiet_NaN(),
    -Limits::quiet_NaN(),
    std::bit_cast<double>(uint64_t{0x7ff0000000000001}),  // a signalling NaN
    Limits::infinity(),
    -Limits::infinity(),
    Limits::max(),
    -Limits::max(),
    1e300,
    -1e300,
    Limits::min(),
    -Limits::min(),
    Limits::denorm_min(),
    -Limits::denorm_min(),
    0.0,
    -0.0,
    1.0,
    -1.0,
    0.5,
    -0.5,
    0.999999999999,
    2147483647.0,
    2147483647.5,
    2147483648.0,
    -2147483648.0,
    -2147483648.5,
    -2147483649.0,
    4294967295.0,
    4294967296.0,
    9223372036854775807.0,
    -9223372036854775808.0,
    1.8446744073709552e19,
    1e10,
    -1e10,
    std::nextafter(0.0, 1.0) * 4.0,
    65536.0 * 32768.0 * 256.0,
    -65536.0 * 32768.0 * 256.0,
};

}  // namespace

int64_t Between(Random& random, int64_t low, int64_t high) {
  return std::uniform_int_distribution<int64_t>(low, high)(random);
}

bool Chance(Random& random, double probability) {
  return std::uniform_real_distribution<double>(0.0, 1.0)(random) < probability;
}

std::span<const double> SpecialReals() { return kSpecialReals; }

double TokenValue(Random& random) {
  switch (Between(random, 0, 9)) {
    case 0:
    case 1:
    case 2:
      return kSpecialReals[static_cast<size_t>(Between(random, 0, kSpecialReals.size() - 1))];
    case 3:  // small whole numbers, where flags and thresholds are
      return static_cast<double>(Between(random, -3, 3));
    case 4:  // heights and altitudes in metres and feet
      return static_cast<double>(Between(random, -1000, 20000));
    case 5:
      return std::uniform_real_distribution<double>(-1000.0, 3000.0)(random);
    case 6:  // elevations in 1/256 metre and other large readings
      return std::uniform_real_distribution<double>(-1e7, 1e7)(random);
    case 7:  // a special value nudged by one unit in the last place
      return std::nextafter(
          kSpecialReals[static_cast<size_t>(Between(random, 0, kSpecialReals.size() - 1))],
          Chance(random, 0.5) ? Limits::infinity() : -Limits::infinity());
    case 8:
      return std::uniform_real_distribution<double>(-10.0, 10.0)(random);
    default:  // any bits at all
      return std::bit_cast<double>(random());
  }
}

int32_t VariableValue(Random& random) {
  switch (Between(random, 0, 5)) {
    case 0:
      return static_cast<int32_t>(Between(random, -1, 2));
    case 1:
      return Chance(random, 0.5) ? std::numeric_limits<int32_t>::max()
                                 : std::numeric_limits<int32_t>::min();
    case 2:
      return static_cast<int32_t>(Between(random, -100000, 100000));
    case 3:
      return 0x55555555;
    default:
      return static_cast<int32_t>(static_cast<uint32_t>(random()));
  }
}

uint32_t PassValue(Random& random) {
  switch (Between(random, 0, 3)) {
    case 0: return 0;
    case 1: return 0xffffffffu;
    default: return static_cast<uint32_t>(random());
  }
}

}  // namespace bench::validate
