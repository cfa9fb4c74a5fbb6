#include "bench/BenchData.h"

#include "catalogue/LevelSchema.h"
#include "level/LevelFields.h"
#include "platform/pictures/JpegImage.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>

namespace tolvex::bench {

namespace {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        throw std::runtime_error("no temporary folder for the benchmarks");
    return dir;
}

using Db = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

Db openDb(const QString& path)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open(QFile::encodeName(path).constData(), &raw);
    Db db(raw, sqlite3_close_v2);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot open " + path.toStdString());
    return db;
}

void exec(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

const QStringList kPrefixes = {"q2dm", "dm", "ctf", "tourney", "arena", "base", "city", "fort", "lava", "rail", "ultra", "xdm", "jail", "wf", "dday"};
const QStringList kSyllables = {"ka", "ro", "zen", "vor", "tal", "mi", "gra", "dun", "bel", "sko", "rix", "ul", "mor", "tek", "fa", "quo"};
const QStringList kAdjectives = {"Rusty", "Crimson", "Frozen", "Forgotten", "Twisted", "Silent", "Burning", "Hollow", "Iron", "Grim",
                                 "Ancient", "Toxic", "Shattered", "Dark", "Lost", "Black", "Über", "Café"};
const QStringList kNouns = {"Foundry", "Keep", "Reactor", "Catacombs", "Outpost", "Citadel", "Warehouse", "Temple", "Bunker", "Canyon",
                            "Refinery", "Arena", "Station", "Fortress", "Sewers", "Bastion", "Crossing", "Depot"};
const QStringList kSentences = {
    "Fast-paced map with tight corridors and a central atrium.",
    "The railgun sits on a ledge above the lava pit.",
    "Best with 4 to 8 players; the quad spawns every 60 seconds.",
    "Two bases connected by a long tunnel and an open courtyard.",
    "Lots of vertical action, jump pads and teleporters.",
    "Remake of a classic with new textures and better lighting.",
    "Watch out for the crusher in the lower halls.",
    "Große Halle mit zwei Ebenen, gut für Duelle.",
    "Bots navigate it well once the route file is built.",
    "Small and brutal: rockets everywhere.",
};

QString flag(std::mt19937& random)
{
    switch (random() % 5) {
    case 0: return {};
    case 1:
    case 2: return QStringLiteral("Falsch");
    default: return QStringLiteral("Wahr");
    }
}

QStringList makeLevel(std::mt19937& random, QSet<QString>& names)
{
    auto pick = [&random](const QStringList& list) -> const QString& { return list.at(qsizetype(random() % list.size())); };
    QString name;
    do {
        name = pick(kPrefixes);
        if (random() % 2)
            name += u'_';
        name += pick(kSyllables) + pick(kSyllables);
        if (random() % 3)
            name += QString::number(random() % 1000);
        name.truncate(15);
    } while (names.contains(name));
    names.insert(name);

    QString title = pick(kAdjectives) + u' ' + pick(kNouns);
    if (random() % 4 == 0)
        title += QStringLiteral(" %1").arg(random() % 10 + 2);
    const unsigned typ = random() % 20;
    const int minPlayers = int(random() % 8) + 1;
    QStringList lines;
    for (unsigned i = 0, n = random() % 4; i < n; ++i)
        lines << pick(kSentences);
    return {name,
            title,
            typ < 13 ? QStringLiteral("DM") : typ < 19 ? QStringLiteral("CTF") : QStringLiteral("TDM"),
            QString::number(minPlayers),
            QString::number(minPlayers + int(random() % 24) + 1),
            lines.join(QStringLiteral("\r\n")),
            flag(random), flag(random), flag(random), flag(random), flag(random), flag(random), flag(random)};
}

void bindTexts(sqlite3_stmt* stmt, const QStringList& texts)
{
    for (int pos = 0; pos < kFieldCount; ++pos) {
        const FieldValue value = fieldFromText(pos, texts.at(pos));
        if (const auto* text = std::get_if<QString>(&value)) {
            const QByteArray utf8 = text->toUtf8();
            sqlite3_bind_text(stmt, pos + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        } else if (const auto* n = std::get_if<int>(&value)) {
            sqlite3_bind_int(stmt, pos + 1, *n);
        } else if (const auto* b = std::get_if<bool>(&value)) {
            sqlite3_bind_int(stmt, pos + 1, *b ? 1 : 0);
        } else {
            sqlite3_bind_null(stmt, pos + 1);
        }
    }
}

QString masterCatalogue(int count)
{
    static std::map<int, QString> made;
    if (const auto found = made.find(count); found != made.end())
        return found->second;
    const QString path = emptyCatalogue(QStringLiteral("master-%1.DB").arg(count));
    const Db db = openDb(path);
    exec(db.get(), "BEGIN");
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db.get(), "INSERT INTO maps VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    // Stored in the generated order, not in key order, as a catalogue grows by hand.
    const auto& levels = generatedLevels();
    for (int i = 0; i < count; ++i) {
        bindTexts(stmt.get(), levels[size_t(i)]);
        if (sqlite3_step(stmt.get()) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(db.get()));
        sqlite3_reset(stmt.get());
    }
    exec(db.get(), "COMMIT");
    made.emplace(count, path);
    return path;
}

} // namespace

QString workPath(const QString& name)
{
    return workDir().filePath(name);
}

const std::vector<QStringList>& generatedLevels()
{
    static const std::vector<QStringList> levels = [] {
        std::mt19937 random(20261207);
        QSet<QString> names;
        names.reserve(kLargest);
        std::vector<QStringList> all;
        all.reserve(kLargest);
        for (int i = 0; i < kLargest; ++i)
            all.push_back(makeLevel(random, names));
        return all;
    }();
    return levels;
}

void removeDatabase(const QString& path)
{
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

QString emptyCatalogue(const QString& name)
{
    const QString path = workPath(name);
    removeDatabase(path);
    const Db db = openDb(path);
    exec(db.get(), LevelSchema::createStatement());
    return path;
}

QString catalogueCopy(const QString& name, int count)
{
    const QString path = workPath(QStringLiteral("%1-%2.DB").arg(name).arg(count));
    removeDatabase(path);
    if (!QFile::copy(masterCatalogue(count), path))
        throw std::runtime_error("cannot copy the catalogue");
    return path;
}

const QString& screenshotFile()
{
    static const QString path = [] {
        // Smooth shading with fine noise and edges, so the JPEG carries about
        // as much detail as a rendered game scene.
        QImage image(1920, 1080, QImage::Format_RGB32);
        std::mt19937 random(1);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int noise = int(random() % 24);
                line[x] = qRgb((x / 8 + noise) % 256, (y / 5 + noise) % 256, ((x + y) / 12 + noise) % 256);
            }
        }
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 60; ++i) {
            painter.setBrush(QColor::fromRgb(random() % 256, random() % 256, random() % 256));
            painter.drawEllipse(int(random() % 1920), int(random() % 1080), int(random() % 300), int(random() % 300));
        }
        painter.end();
        const QString file = workPath(QStringLiteral("screenshot.jpg"));
        saveJpeg(image, file, 90);
        return file;
    }();
    return path;
}

} // namespace tolvex::bench
