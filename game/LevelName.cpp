#include "game/LevelName.h"

#include <algorithm>

namespace tolvex {

namespace {

bool breaksTheCommandLine(QChar c)
{
    return c.isSpace() || c == u'+' || c == u'"' || c == u';' || c == u'$' || c.category() == QChar::Other_Control;
}

} // namespace

bool isStartableLevelName(QStringView levelFile)
{
    return std::none_of(levelFile.cbegin(), levelFile.cend(), breaksTheCommandLine);
}

} // namespace tolvex
