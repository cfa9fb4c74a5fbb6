#pragma once

#include <random>

namespace tolvex {

// The random level: a record chosen uniformly among all records but the
// current one, so that every draw visibly moves; the only record when there
// is one; 0 (nothing) on an empty table. Positions are 1-based.
[[nodiscard]] int pickRandomLevel(int recordCount, int current, std::mt19937& generator);

} // namespace tolvex
