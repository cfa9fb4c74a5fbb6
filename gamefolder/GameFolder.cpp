#include "gamefolder/GameFolder.h"

#include "game/LevelName.h"
#include "gamefolder/BspFile.h"
#include "gamefolder/EntityText.h"
#include "gamefolder/MapRecord.h"
#include "gamefolder/PackFile.h"
#include "gamefolder/ZipArchive.h"
#include "level/KeyOrder.h"
#include "platform/dialogs/TolvexError.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

struct DirItem {
    QByteArray raw; // the name's bytes, for the path
    QString name;   // the name as read (decodeMapText)
    enum class Type { File, Folder, Other, Unreadable } type = Type::Other;
    // A map or package that is there but may not be read counts as skipped, not as installed.
    bool readable = false;
};

// The ASCII letters folded, as the key folds them.
QString folded(QString text)
{
    for (QChar& c : text) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return text;
}

bool byName(const DirItem& a, const DirItem& b)
{
    const int order = compareKeys(a.name, b.name);
    return order != 0 ? order < 0 : a.raw < b.raw;
}

// Links are followed; one that loops or leads nowhere is unreadable.
DirItem::Type typeOf(int dirFd, const struct dirent* entry)
{
    if (entry->d_type == DT_REG)
        return DirItem::Type::File;
    if (entry->d_type == DT_DIR)
        return DirItem::Type::Folder;
    struct stat st {};
    if (::fstatat(dirFd, entry->d_name, &st, 0) != 0)
        return DirItem::Type::Unreadable;
    if (S_ISDIR(st.st_mode))
        return DirItem::Type::Folder;
    return S_ISREG(st.st_mode) ? DirItem::Type::File : DirItem::Type::Other;
}

enum class Package { None, Pak, Zip };

// The packages the engines read: Quake 2's own, the zip packages of the
// ports, and the re-release's one zip package.
Package packageKind(QByteArrayView name)
{
    if (name.size() > 4) {
        const QByteArrayView suffix = name.last(4);
        if (suffix.compare(".pak", Qt::CaseInsensitive) == 0)
            return Package::Pak;
        for (const char* zip : {".pk3", ".pk2", ".pkz", ".zip"}) {
            if (suffix.compare(zip, Qt::CaseInsensitive) == 0)
                return Package::Zip;
        }
    }
    return name.compare("q2game.kpf", Qt::CaseInsensitive) == 0 ? Package::Zip : Package::None;
}

bool isBspName(QByteArrayView name)
{
    return name.size() > 4 && name.last(4).compare(".bsp", Qt::CaseInsensitive) == 0;
}

// The entries of a folder in name order, or nothing when it cannot be read.
std::optional<std::vector<DirItem>> listFolder(const QByteArray& folder)
{
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.constData()));
    if (!dir)
        return std::nullopt;
    std::vector<DirItem> items;
    const int dirFd = ::dirfd(dir.get());
    while (const struct dirent* entry = ::readdir(dir.get())) {
        const QByteArrayView name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        DirItem item{name.toByteArray(), decodeMapText(name), typeOf(dirFd, entry)};
        // Maps and packages: only their readability is asked, once per file,
        // by name within the open folder, so the path is not walked again.
        item.readable = item.type == DirItem::Type::File && (isBspName(name) || packageKind(name) != Package::None)
            && ::faccessat(dirFd, entry->d_name, R_OK, 0) == 0;
        items.push_back(std::move(item));
    }
    std::sort(items.begin(), items.end(), byName);
    return items;
}

QByteArray joined(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? QByteArray(folder + name) : QByteArray(folder + '/' + name);
}

// A package entry that is a map: "maps/<name>.bsp", letter case aside.
bool isMapEntry(const QByteArray& name)
{
    return name.size() > 9 && name.first(5).compare("maps/", Qt::CaseInsensitive) == 0 && isBspName(name)
        && name.indexOf('/', 5) < 0;
}

// Gathers the candidates of one scan in precedence order.
class Scan {
public:
    explicit Scan(const ScanProgress& progress) : m_progress(progress) {}

    GameMaps result;

    // Whether the scan goes on; asked for every name looked at.
    [[nodiscard]] bool going()
    {
        if (!m_progress || m_stopped)
            return !m_stopped;
        m_stopped = !m_progress(int(result.maps.size()));
        return !m_stopped;
    }

    void add(GameMap map, const QString& fileName)
    {
        map.name = fileName.chopped(4);
        if (!keyCanTake(map.name) || !isStartableLevelName(map.name)) {
            ++result.skipped;
            return;
        }
        result.maps.push_back(std::move(map));
    }

    void looseMaps(const QByteArray& mapsFolder)
    {
        const auto items = listFolder(mapsFolder);
        if (!items) {
            ++result.skipped;
            return;
        }
        for (const DirItem& item : *items) {
            if (!going())
                return;
            if (!isBspName(item.raw))
                continue;
            if (!item.readable) {
                result.skipped += item.type == DirItem::Type::Unreadable || item.type == DirItem::Type::File;
                continue;
            }
            GameMap map;
            map.file = joined(mapsFolder, item.raw);
            map.where = decodeMapText(map.file);
            add(std::move(map), item.name);
        }
    }

    void pakMaps(const QByteArray& path)
    {
        const auto file = FileSource::open(path);
        const auto directory = file ? readPackDirectory(*file, isMapEntry) : std::nullopt;
        if (!directory) {
            ++result.skipped;
            return;
        }
        result.skipped += directory->outside;
        const QString where = decodeMapText(path);
        for (const PackEntry& entry : directory->entries) {
            GameMap map{.name = {},
                        .where = where + u':' + decodeMapText(entry.name),
                        .kind = GameMap::Kind::Pak,
                        .file = path,
                        .entry = entry.name,
                        .offset = entry.offset,
                        .size = entry.size};
            add(std::move(map), decodeMapText(entry.name.sliced(5)));
        }
    }

    void zipMaps(const QByteArray& path)
    {
        const auto archive = ZipArchive::open(path);
        if (!archive) {
            ++result.skipped;
            return;
        }
        const QString where = decodeMapText(path);
        for (qint64 i = 0; i < archive->count() && going(); ++i) {
            const QByteArray name = archive->name(i);
            if (!isMapEntry(name))
                continue;
            GameMap map{.name = {},
                        .where = where + u':' + decodeMapText(name),
                        .kind = GameMap::Kind::Pk3,
                        .file = path,
                        .entry = name,
                        .index = i};
            add(std::move(map), decodeMapText(name.sliced(5)));
        }
    }

    void modFolder(const QByteArray& folder)
    {
        const auto items = listFolder(folder);
        if (!items) {
            ++result.skipped;
            return;
        }
        for (const DirItem& item : *items) {
            if (item.type == DirItem::Type::Folder && folded(item.name) == u"maps")
                looseMaps(joined(folder, item.raw));
        }
        for (const DirItem& item : *items) {
            if (!going())
                return;
            const Package kind = packageKind(item.raw);
            if (kind == Package::None)
                continue;
            const QByteArray path = joined(folder, item.raw);
            if (item.type == DirItem::Type::Unreadable || (item.type == DirItem::Type::File && !item.readable))
                ++result.skipped;
            else if (item.type == DirItem::Type::File && kind == Package::Pak)
                pakMaps(path);
            else if (item.type == DirItem::Type::File)
                zipMaps(path);
        }
    }

    // The mod folders of one data folder: baseq2 first, the rest in name order.
    void dataFolder(const QByteArray& folder, const std::vector<DirItem>& items)
    {
        std::vector<const DirItem*> mods;
        for (const DirItem& item : items) {
            if (item.type == DirItem::Type::Folder)
                mods.push_back(&item);
        }
        std::stable_partition(mods.begin(), mods.end(), [](const DirItem* item) { return folded(item->name) == u"baseq2"; });
        for (const DirItem* mod : mods)
            modFolder(joined(folder, mod->raw));
    }

    // One map per name, the first in precedence order, the maps in key order.
    void keepFirstOfEachName()
    {
        auto& maps = result.maps;
        std::stable_sort(maps.begin(), maps.end(),
                         [](const GameMap& a, const GameMap& b) { return compareKeys(a.name, b.name) < 0; });
        maps.erase(std::unique(maps.begin(), maps.end(),
                               [](const GameMap& a, const GameMap& b) { return compareKeys(a.name, b.name) == 0; }),
                   maps.end());
    }

private:
    const ScanProgress& m_progress;
    bool m_stopped = false;
};

QString missingFolderMessage(const QString& folder)
{
    return formatMessage(QStringLiteral("Der Spielordner %s existiert nicht"), {folder});
}

QString unreadableFolderMessage(const QString& folder)
{
    return formatMessage(QStringLiteral("Der Spielordner %s kann nicht gelesen werden"), {folder});
}

} // namespace

bool GameMaps::contains(QStringView datei) const
{
    const auto it = std::lower_bound(maps.begin(), maps.end(), datei,
                                     [](const GameMap& map, QStringView key) { return compareKeys(map.name, key) < 0; });
    return it != maps.end() && compareKeys(it->name, datei) == 0;
}

GameMaps findMaps(const QString& folder, const ScanProgress& progress)
{
    if (!QFileInfo(folder).isDir())
        throw TolvexError(missingFolderMessage(folder));
    const auto items = listFolder(QFile::encodeName(folder));
    if (!items)
        throw TolvexError(unreadableFolderMessage(folder));
    Scan scan(progress);
    scan.result.folders = QStringList{folder};
    scan.dataFolder(QFile::encodeName(folder), *items);
    scan.keepFirstOfEachName();
    return std::move(scan.result);
}

GameMaps findMaps(const QStringList& folders, const ScanProgress& progress)
{
    Scan scan(progress);
    scan.result.folders = folders;
    for (const QString& folder : folders) {
        const QByteArray encoded = QFile::encodeName(folder);
        if (const auto items = listFolder(encoded))
            scan.dataFolder(encoded, *items);
        else
            ++scan.result.skipped;
    }
    scan.keepFirstOfEachName();
    return std::move(scan.result);
}

MapReader::MapReader(std::vector<const GameMap*> order) : m_files(std::move(order)) {}

MapReader::~MapReader() = default;

std::optional<MapRecord> MapReader::recordOf(const GameMap& map)
{
    const auto lump = m_files.entityLump(map);
    return lump ? mapRecordOfText(map.name, *lump) : std::nullopt;
}

std::optional<MapRecord> mapRecordOf(const GameMap& map)
{
    return MapReader().recordOf(map);
}

} // namespace tolvex
