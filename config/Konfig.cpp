#include "config/Konfig.h"

#include "common/toolbox.h"

namespace tolvex {

QString KonfigPath()
{
    return ProgramDir() + QStringLiteral("konfig.ini");
}

} // namespace tolvex
