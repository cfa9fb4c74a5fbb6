#include "plan/PlanPictures.h"

#include "catalogue/LevelFields.h"
#include "catalogue/LevelTable.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapGeometry.h"
#include "platform/JpegImage.h"
#include "platform/SafeFile.h"
#include "platform/TolvexError.h"
#include "plan/MapPlan.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace tolvex {

namespace {

// Plans are made to last together, a few dozen at a time: one wait for the
// disk for all of them, and no more files held open than that.
constexpr int kPlansPerSync = 32;

QString cannotCreate(const QString& folder, const QString& name)
{
    return formatMessage(QStringLiteral("Datei %s kann nicht erstellt werden"), {folder + u'/' + name});
}

// Names what the batch holds and counts it; the first file that could not be
// made ends the run, with the plans before it kept.
void placeBatch(NewFileBatch& batch, const QString& folder, PlansMade& result)
{
    const NewFileBatch::Placed placed = batch.place();
    result.made += int(placed.made.size());
    if (!placed.failed.isEmpty())
        throw TolvexError(cannotCreate(folder, placed.failed.front()));
}

} // namespace

PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder,
                           const MapGeometryOf& read)
{
    PlansMade result;
    std::optional<NewFileBatch> batch;
    for (const GameMap& map : maps.maps) {
        const int index = table.indexOfKey(map.name);
        if (index < 0)
            continue;
        // A file name is a name, never a way out of the folder.
        const QString name = table.textAt(index, Field::Datei) + QStringLiteral(".jpg");
        if (name.size() == 4 || name.contains(u'/') || QFileInfo::exists(folder + u'/' + name))
            continue;
        const auto geometry = read(map);
        const QImage plan = geometry ? drawPlan(*geometry) : QImage();
        if (plan.isNull()) {
            ++result.skipped;
            continue;
        }
        if (!batch) {
            if (!QDir().mkpath(folder))
                throw TolvexError(cannotCreate(folder, name));
            batch.emplace(folder);
        }
        const QByteArray bytes = encodeJpeg(plan, kPlanQuality);
        if (bytes.isEmpty() || batch->add(name, bytes)) {
            placeBatch(*batch, folder, result);
            throw TolvexError(cannotCreate(folder, name));
        }
        if (batch->pending() >= kPlansPerSync)
            placeBatch(*batch, folder, result);
    }
    if (batch)
        placeBatch(*batch, folder, result);
    return result;
}

PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder)
{
    GeometryReader reader;
    return savePlanPictures(table, maps, folder, [&reader](const GameMap& map) { return reader.geometryOf(map); });
}

} // namespace tolvex
