#include "catalogue/Screenshots.h"

#include "common/toolbox.h"
#include "level/LevelFields.h"
#include "platform/dataaware/Dataset.h"
#include "platform/files/SafeFile.h"

namespace tolvex {

QString screenshotPath(const QString& datei)
{
    const QString screenshot = ProgramDir() + QStringLiteral("screens/") + datei + QStringLiteral(".jpg");
    if (!datei.contains(u'/') && fileExists(screenshot))
        return screenshot;
    return ProgramDir() + QStringLiteral("nopic.jpg");
}

QStringList neighbourScreenshots(const Dataset& table, int reach)
{
    QStringList paths;
    const int current = table.recNo() - 1;
    if (current < 0)
        return paths;
    for (int step = 1; step <= reach; ++step) {
        for (const int index : {current + step, current - step}) {
            if (index >= 0 && index < table.recordCount())
                paths << screenshotPath(table.textAt(index, Field::Datei));
        }
    }
    return paths;
}

} // namespace tolvex
