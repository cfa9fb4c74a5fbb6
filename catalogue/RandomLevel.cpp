#include "catalogue/RandomLevel.h"

namespace tolvex {

int pickRandomLevel(int recordCount, int current, std::mt19937& generator)
{
    if (recordCount <= 0)
        return 0;
    if (recordCount == 1)
        return 1;
    // Draw among the others: 1..count without the current one. A current
    // position outside the table (a new record) leaves every record eligible.
    if (current < 1 || current > recordCount)
        return std::uniform_int_distribution<int>(1, recordCount)(generator);
    const int draw = std::uniform_int_distribution<int>(1, recordCount - 1)(generator);
    return draw >= current ? draw + 1 : draw;
}

} // namespace tolvex
