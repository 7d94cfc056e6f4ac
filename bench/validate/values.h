// The values the stress checks feed a module: host token values, named
// variable values and points on the face, drawn from one seeded generator
// so that a run can be replayed.
#pragma once

#include <cstdint>
#include <random>
#include <span>

namespace bench::validate {

using Random = std::mt19937_64;

// A whole number in [low, high].
int64_t Between(Random& random, int64_t low, int64_t high);
// True with the given probability.
bool Chance(Random& random, double probability);

// The real values that break arithmetic: NaN (both signs), infinities, the
// largest and smallest numbers, subnormals, negative zero, and the edges of
// the integer ranges that a truncation meets.
std::span<const double> SpecialReals();

// A host token value: a special value, an ordinary one (small whole
// numbers, altitudes, fractions) or any bit pattern at all.
double TokenValue(Random& random);

// A 32-bit value for a named variable: 0, 1, 2, -1, the ends of the range,
// small numbers or any bits.
int32_t VariableValue(Random& random);

// A 32-bit value the host passes through (install and generate values).
uint32_t PassValue(Random& random);

}  // namespace bench::validate
