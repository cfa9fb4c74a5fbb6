#include "plan/PlanPictures.h"

#include "catalogue/LevelFields.h"
#include "catalogue/LevelTable.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapGeometry.h"
#include "platform/JpegImage.h"
#include "platform/TolvexError.h"
#include "plan/MapPlan.h"

#include <QDir>
#include <QFileInfo>

namespace tolvex {

PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder,
                           const MapGeometryOf& read)
{
    PlansMade result;
    bool folderReady = false;
    for (const GameMap& map : maps.maps) {
        const int index = table.indexOfKey(map.name);
        if (index < 0)
            continue;
        // A file name is a name, never a way out of the folder.
        const QString datei = table.textAt(index, Field::Datei);
        const QString path = folder + u'/' + datei + QStringLiteral(".jpg");
        if (datei.isEmpty() || datei.contains(u'/') || QFileInfo::exists(path))
            continue;
        const auto geometry = read(map);
        const QImage plan = geometry ? drawPlan(*geometry) : QImage();
        if (plan.isNull()) {
            ++result.skipped;
            continue;
        }
        if (!folderReady && !QDir().mkpath(folder))
            throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht erstellt werden"), {path}));
        folderReady = true;
        saveJpeg(plan, path, kPlanQuality);
        ++result.made;
    }
    return result;
}

PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder)
{
    GeometryReader reader;
    return savePlanPictures(table, maps, folder, [&reader](const GameMap& map) { return reader.geometryOf(map); });
}

} // namespace tolvex
