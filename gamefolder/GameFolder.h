#pragma once

#include "gamefolder/MapRecord.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tolvex {

// One map found in the game folder, after precedence (one per folded name).
struct GameMap {
    // Pk3 stands for every zip package: .pk3, .pk2, .pkz, .zip and Q2Game.kpf.
    enum class Kind { Loose, Pak, Pk3 };

    QString name;  // the base name as found, without ".bsp"
    QString where; // for messages: the file, or "package.pak:maps/x.bsp"

    Kind kind = Kind::Loose;
    QByteArray file;     // the map file or the package holding it: the path's bytes as the system has them
    QByteArray entry;    // the entry's name in the package
    qint64 offset = 0;   // in a .pak: where the map's bytes are
    qint64 size = 0;     // in a .pak: how many there are
    qint64 index = -1;   // in a zip package: the entry's number
};

struct GameMaps {
    QStringList folders;       // the data folders scanned, in precedence order
    std::vector<GameMap> maps; // one per name (case-folded like the key), by precedence, in key order
    int skipped = 0;           // unreadable files/packages, names the key cannot take

    // Compared like the key (compareKeys == 0): a binary search of maps, which
    // findMaps leaves in key order.
    [[nodiscard]] bool contains(QStringView datei) const;
};

// Hears how many maps a scan has found so far; false stops the scan, which
// then returns what it found.
using ScanProgress = std::function<bool(int found)>;

// The maps/*.bsp files of each folder directly inside the game folder, loose
// and in its packages (.pak, and the zip packages .pk3, .pk2, .pkz, .zip and
// Q2Game.kpf), names matched without regard to letter case. Where a name
// occurs more than once, the folder baseq2 comes first, then the others in
// name order; within a folder loose files come first, then the packages in
// name order. File, folder and entry names are UTF-8 where they are valid
// UTF-8 and Windows-1252 otherwise (decodeMapText). A name the key cannot
// take or the game cannot be started on (isStartableLevelName) is skipped and
// counted. Throws TolvexError naming a game folder that does not exist or
// cannot be read; anything inside that cannot be read is skipped and counted.
[[nodiscard]] GameMaps findMaps(const QString& folder, const ScanProgress& progress = {});

// The same over several data folders in turn (see dataFolders): a name found
// in more than one counts once, the first folder winning. A folder that
// cannot be read is skipped and counted.
[[nodiscard]] GameMaps findMaps(const QStringList& folders, const ScanProgress& progress = {});

// The catalogue record read from the map's entity lump (see mapRecordOfText),
// or nothing when the map cannot be read or holds no entity.
[[nodiscard]] std::optional<MapRecord> mapRecordOf(const GameMap& map);

class ByteSource;

// The bytes of the maps of one scan, read one after the other. The package of
// the last one stays open, so that the maps of a package cost no opening of it
// each; a loose map is opened and closed each time.
class MapFiles {
public:
    // The maps in the order they will be asked for, when the caller knows it:
    // the heads of neighbouring maps of a package are then read together.
    // Maps asked for in another order are read all the same.
    explicit MapFiles(std::vector<const GameMap*> order = {});
    ~MapFiles();
    MapFiles(const MapFiles&) = delete;
    MapFiles& operator=(const MapFiles&) = delete;

    // Hands the map's bytes to use; false when they cannot be opened.
    bool read(const GameMap& map, const std::function<void(ByteSource&)>& use);
    // The map's entity lump as readEntityLump gives it, with as few reads as
    // the map's place allows; it lies in this object until the next call.
    [[nodiscard]] std::optional<QByteArrayView> entityLump(const GameMap& map);

private:
    // A descriptor of the loose map file, or -1.
    int openLoose(const QByteArray& path);
    // Makes the map's package the open one; false when it cannot be opened.
    bool openPackage(const GameMap& map);
    [[nodiscard]] std::optional<QByteArrayView> pakLump(const GameMap& map);
    [[nodiscard]] qint64 neighboursEnd(const GameMap& map);

    struct Open;
    std::unique_ptr<Open> m;
};

// Reads the records of the maps of one scan one after the other as
// mapRecordOf does, keeping the package of the last one open.
class MapReader {
public:
    // The order the maps will be asked in, as MapFiles takes it.
    explicit MapReader(std::vector<const GameMap*> order = {});
    ~MapReader();
    MapReader(const MapReader&) = delete;
    MapReader& operator=(const MapReader&) = delete;

    [[nodiscard]] std::optional<MapRecord> recordOf(const GameMap& map);

private:
    MapFiles m_files;
};

} // namespace tolvex
