#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"
#include "level/LevelFields.h"
#include "maplist/MapListFile.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/ProfileFile.h"
#include "platform/files/TextFile.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

// A file size limit stands in for a full disk.
constexpr rlim_t kDiskLeft = 64 * 1024;
constexpr uid_t kNobody = 65534;

QStringList manyLines()
{
    QStringList lines;
    for (int i = 0; i < 20000; ++i)
        lines << QStringLiteral("q2dm%1 with some text to fill the disk").arg(i);
    return lines;
}

using Writer = std::function<void(const QString& path)>;

QStringList level(const QString& datei)
{
    QStringList texts(kFieldCount);
    texts[Field::Datei] = datei;
    texts[Field::Level] = datei.toUpper();
    return texts;
}

QByteArray tableAction(const QString& path)
{
    LevelTable table;
    table.setFileName(path);
    try {
        table.open();
    } catch (const TolvexError& e) {
        return "open: " + e.message().toUtf8();
    }
    const int before = table.recordCount();
    QByteArray result = "opened";
    try {
        table.appendRecord(level(QStringLiteral("q2dm9")));
        table.insert();
        table.setText(Field::Datei, QStringLiteral("q2dm8"));
        table.setText(Field::Level, QStringLiteral("Eight"));
        table.post();
    } catch (const TolvexError& e) {
        result = "post: " + e.message().toUtf8();
        // The program goes on: the table stays open on what it had.
        table.cancel();
        table.first();
        if (!table.isOpen() || table.recordCount() != before || table.text(Field::Datei) != QStringLiteral("q2dm1"))
            result += " (table left in a bad state)";
    }
    return result;
}

} // namespace

class FullDiskTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aFullDiskFailsWithItsMessageAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QString>("message");

        QTest::newRow("exported level list") << "levels.txt" << Writer([](const QString& path) { writeLines(path, manyLines()); })
                                             << "Stream-Write-Fehler";
        QTest::newRow("map list") << "eraser.txt" << Writer([](const QString& path) { writeMapList(path, manyLines()); })
                                  << "Stream-Write-Fehler";
        QTest::newRow("konfig.ini") << "konfig.ini"
                                    << Writer([](const QString& path) {
                                           ProfileFile file(path);
                                           file.writeString(QStringLiteral("Other"), QStringLiteral("parameter"), manyLines().join(u' '));
                                           file.flush();
                                       })
                                    << "nach %1 kann nicht geschrieben werden";
    }

    void aFullDiskFailsWithItsMessageAndKeepsTheOldFile()
    {
        QFETCH(QString, name);
        QFETCH(Writer, writer);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const QByteArray old = "[Other]\r\nparameter=+set cheats 1\r\nq2dm1\r\n\x81\xFF\r\n";
        put(path, old);

        const ChildResult child = inChild([&] {
            writer(path);
            return QByteArray("written");
        }, kDiskLeft);
        QVERIFY(child.exited);
        QCOMPARE(QString::fromUtf8(child.output), "error: " + message.arg(path));
        QCOMPARE(contents(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});

        // With room on the disk the same write goes through.
        const ChildResult roomy = inChild([&] {
            writer(path);
            return QByteArray("written");
        });
        QCOMPARE(roomy.output, QByteArray("written"));
        QVERIFY(contents(path).size() > qsizetype(kDiskLeft));
    }

    void aTableWithoutWriteRightsFailsClearlyAndTheProgramGoesOn_data()
    {
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<QString>("outcome");

        QTest::newRow("writable") << 0644 << 0755 << "opened";
        QTest::newRow("read-only file") << 0444 << 0755 << "open: Tabelle %1 ist schreibgeschützt";
        QTest::newRow("read-only file and folder") << 0444 << 0555 << "open: Tabelle %1 ist schreibgeschützt";
        QTest::newRow("read-only folder") << 0644 << 0555 << "open: Tabelle %1 kann nicht geöffnet werden: ";
    }

    void aTableWithoutWriteRightsFailsClearlyAndTheProgramGoesOn()
    {
        QFETCH(int, fileMode);
        QFETCH(int, folderMode);
        QFETCH(QString, outcome);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("catalogue"));
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + QStringLiteral("/maps.DB");
        {
            sqlite3* raw = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
            const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
            QCOMPARE(sqlite3_exec(db.get(), LevelSchema::createStatement(), nullptr, nullptr, nullptr), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db.get(), "INSERT INTO maps (\"Datei\", \"Level\") VALUES ('q2dm1', 'The Edge')", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        const QByteArray before = contents(path);

        // Root may write anything; the rights are tried as an ordinary user.
        const bool asRoot = ::geteuid() == 0;
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        if (asRoot) {
            QCOMPARE(::chown(QFile::encodeName(path).constData(), kNobody, kNobody), 0);
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), kNobody, kNobody), 0);
        }
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(fileMode)), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)), 0);

        const ChildResult child = inChild([&] {
            if (asRoot && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
                return QByteArray("cannot become an ordinary user");
            return tableAction(path);
        });
        (void)::chmod(QFile::encodeName(folder).constData(), 0755);
        QVERIFY(child.exited);
        QVERIFY2(QString::fromUtf8(child.output).startsWith(outcome.arg(path)), child.output.constData());
        if (outcome != QStringLiteral("opened"))
            QCOMPARE(contents(path), before);
    }
};

QTEST_GUILESS_MAIN(FullDiskTest)
#include "fullDiskTest.moc"
