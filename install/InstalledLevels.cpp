#include "install/InstalledLevels.h"

#include "level/LevelFields.h"
#include "catalogue/LevelRecords.h"
#include "install/ReadmeFacts.h"
#include "platform/files/Cp1252.h"

#include <QFileInfo>

namespace tolvex {

namespace {

// The install that brought the map: by its loose name, or by its package.
const ArchiveInstalled* broughtBy(const GameMap& map, const QString& dataFolder, const std::vector<ArchiveInstalled>& installs)
{
    for (const ArchiveInstalled& install : installs) {
        if (map.kind == GameMap::Kind::Loose && install.maps.contains(map.name.toLower())
            && QFileInfo(map.file).absolutePath() == QFileInfo(dataFolder + QStringLiteral("/maps")).absoluteFilePath())
            return &install;
        if (map.kind != GameMap::Kind::Loose && QFileInfo(map.file).absolutePath() == QFileInfo(dataFolder).absoluteFilePath()
            && install.packages.contains(QFileInfo(map.file).fileName()))
            return &install;
    }
    return nullptr;
}

const ArchiveText* readmeOf(const QString& mapName, const ArchiveInstalled& install)
{
    for (const ArchiveText& text : install.texts) {
        if (compareKeys(text.name, mapName) == 0)
            return &text;
    }
    return install.texts.size() == 1 ? &install.texts.front() : nullptr;
}

MapRecord withReadme(const MapRecord& record, const QString& mapName, const ReadmeFacts& facts)
{
    QStringList texts = record.texts();
    // levelTitle gives the file name for a map without a title of its own.
    if (!facts.title.isEmpty() && texts.at(Field::Level) == mapName)
        texts[Field::Level] = facts.title;
    if (facts.hasPlayers()) {
        texts[Field::MinPlayer] = QString::number(facts.minPlayers);
        texts[Field::MaxPlayer] = QString::number(facts.maxPlayers);
    }
    if (!facts.description.isEmpty()) {
        QString description = facts.description;
        description.replace(u'\n', QStringLiteral("\r\n"));
        texts[Field::Beschreibung] = description;
    }
    MapRecord completed;
    for (const QString& text : std::as_const(texts))
        completed.add(cp1252::encode(text));
    return completed;
}

} // namespace

GameMaps installedLevelMaps(const QString& dataFolder, const std::vector<ArchiveInstalled>& installs)
{
    GameMaps brought;
    brought.folders = {dataFolder};
    if (installs.empty())
        return brought;
    GameMaps found = findMaps(QFileInfo(dataFolder).absolutePath());
    for (GameMap& map : found.maps) {
        if (broughtBy(map, dataFolder, installs))
            brought.maps.push_back(std::move(map));
    }
    return brought;
}

GameLevelsAdded addInstalledLevels(LevelTable& table, const GameMaps& maps, const std::vector<ArchiveInstalled>& installs,
                                   const GameLevelsProgress& progress)
{
    MapReader reader;
    const QString dataFolder = maps.folders.value(0);
    const ReadMapRecord read = [&](const GameMap& map) -> std::optional<MapRecord> {
        auto record = reader.recordOf(map);
        const ArchiveInstalled* install = broughtBy(map, dataFolder, installs);
        const ArchiveText* readme = record && install ? readmeOf(map.name, *install) : nullptr;
        if (!readme)
            return record;
        return withReadme(*record, map.name, readReadme(readme->bytes));
    };
    return addGameLevels(table, maps, read, progress);
}

} // namespace tolvex
