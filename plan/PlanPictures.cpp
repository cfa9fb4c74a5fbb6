#include "plan/PlanPictures.h"

#include "catalogue/LevelRecords.h"
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

// Why a new file cannot be made in the folder, as far as can be told afterwards.
QString whyNot(const QString& folder, std::optional<SaveFailure> failure)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return formatMessage(QStringLiteral("%s ist kein Ordner"), {folder});
    if (!info.exists())
        return formatMessage(QStringLiteral("der Ordner %s kann nicht angelegt werden"), {folder});
    if (isWriteProtected(folder))
        return formatMessage(QStringLiteral("der Ordner %s ist schreibgeschützt"), {folder});
    if (failure == SaveFailure::WriteFailed)
        return QStringLiteral("der Datenträger ist voll oder meldet einen Schreibfehler");
    return formatMessage(QStringLiteral("der Ordner %s nimmt keine neue Datei an"), {folder});
}

// Thrown when a plan cannot be saved; the run ends with it.
TolvexError cannotCreate(const QString& folder, const QString& name, std::optional<SaveFailure> failure)
{
    return TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht erstellt werden: %s"),
                                     {folder + u'/' + name, whyNot(folder, failure)}));
}

// Names what the batch holds and counts it; the first file that could not be
// made ends the run, with the plans before it kept.
void placeBatch(NewFileBatch& batch, const QString& folder, PlansMade& result)
{
    const NewFileBatch::Placed placed = batch.place();
    result.made += int(placed.made.size());
    if (!placed.failed.isEmpty())
        throw cannotCreate(folder, placed.failed.front(), SaveFailure::WriteFailed);
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
                throw cannotCreate(m_folder, name, SaveFailure::CannotCreate);
            m_batch.emplace(m_folder);
        }
        const auto failure = plan.jpeg.isEmpty() ? std::optional(SaveFailure::WriteFailed) : m_batch->add(name, plan.jpeg);
        if (failure) {
            placeBatch(*m_batch, m_folder, m_result);
            throw cannotCreate(m_folder, name, failure);
        }
        if (m_batch->pending() >= kPlansPerSync)
            placeBatch(*m_batch, m_folder, m_result);
    }

    // Places what is pending.
    void finish()
    {
        if (m_batch)
            placeBatch(*m_batch, m_folder, m_result);
    }

    // The plans made so far, whatever ended the run.
    [[nodiscard]] PlansMade& result() { return m_result; }

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

std::optional<PlanToMake> planToMake(const LevelTable& table, const GameMap& map)
{
    const int index = table.indexOfKey(map.name);
    if (index < 0)
        return std::nullopt;
    // A file name is a name, never a way out of the folder.
    const QString datei = table.records().key(index);
    if (datei.isEmpty() || datei.contains(u'/'))
        return std::nullopt;
    return PlanToMake{&map, datei + QStringLiteral(".jpg")};
}

PlansMade makePlans(const std::vector<PlanToMake>& plans, const QString& folder, const MapGeometryOf& read,
                    PlanProgress& progress)
{
    PlanSaver saver(folder);
    try {
        // The reading stays on this thread: a reader may keep the last package
        // open, which is no object to share.
        std::optional<PlanWorkers> workers;
        std::deque<QString> names; // of the plans on their way, in the maps' order
        for (const PlanToMake& plan : plans) {
            if (progress.stop.load(std::memory_order_relaxed))
                break;
            progress.done.fetch_add(1, std::memory_order_relaxed);
            if (QFileInfo::exists(folder + u'/' + plan.name))
                continue;
            if (!workers)
                workers.emplace(planThreads());
            if (workers->full()) {
                saver.saveNext(*workers, names.front());
                names.pop_front();
            }
            workers->add(read(*plan.map));
            names.push_back(plan.name);
        }
        for (; !names.empty() && !progress.stop.load(std::memory_order_relaxed); names.pop_front())
            saver.saveNext(*workers, names.front());
        saver.finish();
    } catch (const TolvexError& e) {
        saver.result().failure = e.message();
    }
    return saver.result();
}

PlansMade makePlans(const std::vector<PlanToMake>& plans, const QString& folder, PlanProgress& progress)
{
    GeometryReader reader;
    return makePlans(plans, folder, [&reader](const GameMap& map) { return reader.geometryOf(map); }, progress);
}

namespace {

std::vector<PlanToMake> plansOf(const LevelTable& table, const GameMaps& maps)
{
    std::vector<PlanToMake> plans;
    for (const GameMap& map : maps.maps) {
        if (auto plan = planToMake(table, map))
            plans.push_back(*std::move(plan));
    }
    return plans;
}

} // namespace

PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder,
                           const MapGeometryOf& read)
{
    PlanProgress progress;
    PlansMade made = makePlans(plansOf(table, maps), folder, read, progress);
    if (!made.failure.isEmpty())
        throw TolvexError(made.failure);
    return made;
}

PlansMade savePlanPictures(const LevelTable& table, const GameMaps& maps, const QString& folder)
{
    GeometryReader reader;
    return savePlanPictures(table, maps, folder, [&reader](const GameMap& map) { return reader.geometryOf(map); });
}

} // namespace tolvex
