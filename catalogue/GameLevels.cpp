#include "catalogue/GameLevels.h"

#include "catalogue/BulkAppends.h"
#include "catalogue/LevelRecords.h"
#include "catalogue/LevelTable.h"
#include "config/Konfig.h"
#include "game/GameInstall.h"
#include "gamefolder/GameFolder.h"
#include "gamefolder/MapReadAhead.h"
#include "platform/dataaware/DisplaySuspension.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/ProfileFile.h"

namespace tolvex {

namespace {

using Clock = std::chrono::steady_clock;

// What the slices of the whole run at once may take before the progress is told.
constexpr auto kProgressSlice = std::chrono::milliseconds(40);

} // namespace

namespace {

DataFolders configuredDataFolders()
{
    const ProfileFile ini(KonfigPath());
    return dataFolders(konfig::read(ini, konfig::kGame), konfig::read(ini, konfig::kParameters));
}

} // namespace

std::optional<GameMaps> installedMaps()
{
    GameMaps maps = findMaps(configuredDataFolders().searched);
    if (maps.maps.empty())
        return std::nullopt;
    return maps;
}

QStringList gameDataFoldersToAdd()
{
    const DataFolders folders = configuredDataFolders();
    if (folders.searched.isEmpty())
        throw TolvexError(formatMessage(QStringLiteral("Keiner der Datenordner des Spiels existiert: %s"),
                                        {folders.asked.join(QStringLiteral(", "))}));
    return folders.searched;
}

GameLevelAppends::GameLevelAppends(LevelTable& table, const GameMaps& maps, ReadMapRecord read)
    : m_table(table), m_maps(maps), m_read(std::move(read))
{
    // A pending edit is finished before anything is compared with the stored names.
    m_table.checkBrowseMode();
    m_result.skipped = maps.skipped;
    m_held.reserve(maps.maps.size());
    // A new catalogue is filled this way first; its appends then search the keys only once each.
    if (m_table.records().empty())
        m_held.assign(maps.maps.size(), false);
}

GameLevelAppends::~GameLevelAppends() = default;

int GameLevelAppends::total() const
{
    return int(m_maps.maps.size());
}

// The names of one scan differ under the key's comparison, so appending one
// never changes this for another.
bool GameLevelAppends::findHeldNames(Clock::time_point until)
{
    const std::vector<GameMap>& maps = m_maps.maps;
    while (m_held.size() < maps.size()) {
        if (Clock::now() >= until)
            return false;
        m_held.push_back(m_table.indexOfKey(maps[m_held.size()].name) >= 0);
    }
    return true;
}

void GameLevelAppends::startReading()
{
    m_suspension = std::make_unique<DisplaySuspension>(m_table);
    m_bulk = std::make_unique<BulkAppends>(m_table);
    if (m_read)
        return;
    std::vector<const GameMap*> wanted;
    for (std::size_t i = 0; i < m_held.size(); ++i) {
        if (!m_held[i])
            wanted.push_back(&m_maps.maps[i]);
    }
    // The files are read on a thread of their own while the records are stored.
    const auto reader = std::make_shared<MapReader>(wanted);
    m_ahead = std::make_unique<MapReadAhead>(std::move(wanted),
                                             [reader](const GameMap& map) { return reader->recordOf(map); });
}

bool GameLevelAppends::step(Clock::time_point until)
{
    if (!m_suspension) {
        if (!findHeldNames(until))
            return true;
        startReading();
    }
    // The clock costs little beside a key search or an append.
    while (m_next < total()) {
        if (Clock::now() >= until)
            return true;
        const std::size_t i = std::size_t(m_next);
        if (m_held[i]) {
            ++m_result.present;
        } else {
            if (m_ahead && !m_ahead->ready(until))
                return true;
            const auto record = m_ahead ? m_ahead->next() : m_read(m_maps.maps[i]);
            if (record) {
                m_table.appendRecord(record->texts());
                ++m_result.added;
            } else {
                ++m_result.skipped;
            }
        }
        ++m_next;
    }
    return false;
}

void GameLevelAppends::finish()
{
    // The reading stops first: nothing more is wanted of it.
    m_ahead.reset();
    if (m_bulk) {
        m_bulk->end();
        m_bulk.reset();
        m_suspension->resume();
    }
}

GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const ReadMapRecord& read,
                              const GameLevelsProgress& progress)
{
    GameLevelAppends appends(table, maps, read);
    while (appends.step(Clock::now() + kProgressSlice)) {
        if (progress)
            progress(appends.done(), appends.total());
    }
    appends.finish();
    if (progress)
        progress(appends.done(), appends.total());
    return appends.result();
}

GameLevelsAdded addGameLevels(LevelTable& table, const GameMaps& maps, const GameLevelsProgress& progress)
{
    return addGameLevels(table, maps, ReadMapRecord(), progress);
}

} // namespace tolvex
