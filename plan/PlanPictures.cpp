#include "plan/PlanPictures.h"

#include "catalogue/LevelTable.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapGeometry.h"
#include "level/LevelFields.h"
#include "plan/MapPlan.h"
#include "plan/PlanWorkers.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <deque>
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

// Saves the plans as they come, in the maps' order, into batches of new files.
class PlanSaver {
public:
    explicit PlanSaver(const QString& folder) : m_folder(folder) {}

    // Saves the next plan the workers hand back as the file of that name.
    void saveNext(PlanWorkers& workers, const QString& name)
    {
        PlanWorkers::Plan plan;
        try {
            plan = workers.take();
        } catch (...) {
            // A plan that could not be made ends the run like a file that
            // could not be; the plans before it are kept.
            if (m_batch)
                placeBatch(*m_batch, m_folder, m_result);
            throw;
        }
        if (!plan.drawn) {
            ++m_result.skipped;
            return;
        }
        if (!m_batch) {
            if (!QDir().mkpath(m_folder))
                throw TolvexError(cannotCreate(m_folder, name));
            m_batch.emplace(m_folder);
        }
        if (plan.jpeg.isEmpty() || m_batch->add(name, plan.jpeg)) {
            placeBatch(*m_batch, m_folder, m_result);
            throw TolvexError(cannotCreate(m_folder, name));
        }
        if (m_batch->pending() >= kPlansPerSync)
            placeBatch(*m_batch, m_folder, m_result);
    }

    [[nodiscard]] PlansMade finish()
    {
        if (m_batch)
            placeBatch(*m_batch, m_folder, m_result);
        return m_result;
    }

private:
    const QString m_folder;
    PlansMade m_result;
    std::optional<NewFileBatch> m_batch;
};

// The plans are drawn by a few threads; more than a handful would only hold
// more maps in memory while they wait for the disk.
int planThreads()
{
    return std::clamp(QThread::idealThreadCount(), 1, 8);
}

} // namespace

PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder,
                           const MapGeometryOf& read)
{
    PlanSaver saver(folder);
    // The reading stays on this thread: a reader may keep the last package
    // open, which is no object to share.
    std::optional<PlanWorkers> workers;
    std::deque<QString> names; // of the plans on their way, in the maps' order
    for (const GameMap& map : maps.maps) {
        const int index = table.indexOfKey(map.name);
        if (index < 0)
            continue;
        // A file name is a name, never a way out of the folder.
        const QString name = table.textAt(index, Field::Datei) + QStringLiteral(".jpg");
        if (name.size() == 4 || name.contains(u'/') || QFileInfo::exists(folder + u'/' + name))
            continue;
        if (!workers)
            workers.emplace(planThreads());
        if (workers->full()) {
            saver.saveNext(*workers, names.front());
            names.pop_front();
        }
        workers->add(read(map));
        names.push_back(name);
    }
    for (; !names.empty(); names.pop_front())
        saver.saveNext(*workers, names.front());
    return saver.finish();
}

PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder)
{
    GeometryReader reader;
    return savePlanPictures(table, maps, folder, [&reader](const GameMap& map) { return reader.geometryOf(map); });
}

} // namespace tolvex
