#include "catalogue/LevelList.h"
#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"
#include "launch/ExecUnit.h"
#include "launch/LaunchCommand.h"
#include "level/LevelFields.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/ProfileFile.h"
#include "platform/files/TextFile.h"
#include "platform/pictures/JpegImage.h"
#include "tests/support/ChildProcess.h"
#include "tests/robustness/JpegSamples.h"
#include "tests/support/TestFiles.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <jerror.h>

#include <functional>
#include <memory>

using namespace tolvex;
using namespace tolvex::test;

namespace {

constexpr long kMemoryBoundKb = 1024 * 1024;
constexpr qint64 kMegabyte = 1024 * 1024;

// Writes the file in pieces, so the test itself never holds a big one.
using Filler = std::function<void(QFile&)>;

void makeFile(const QString& path, const Filler& fill)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    fill(file);
}

void repeat(QFile& file, const QByteArray& piece, qint64 total)
{
    for (qint64 written = 0; written < total; written += piece.size())
        file.write(piece.left(qsizetype(std::min<qint64>(piece.size(), total - written))));
}

QByteArray recordBytes(const QStringList& fieldTexts)
{
    return joinLines(LevelList::recordLines(fieldTexts));
}

QStringList level(const QString& datei, const QString& name)
{
    QStringList texts(kFieldCount);
    texts[Field::Datei] = datei;
    texts[Field::Level] = name;
    texts[Field::Typ] = QStringLiteral("DM");
    return texts;
}

QByteArray tail(const QString& path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(f.size() - size))
        return QByteArray("<missing>");
    return f.readAll();
}

void createTable(const QString& path, const QStringList& keys)
{
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    QCOMPARE(sqlite3_exec(db.get(), LevelSchema::createStatement(), nullptr, nullptr, nullptr), SQLITE_OK);
    LevelTable table;
    table.setFileName(path);
    table.open();
    for (const QString& key : keys)
        table.appendRecord(level(key, key.toUpper()));
}

// The overview's import of a level list. Gives the error's message.
QString importInto(LevelTable& table, const QString& listPath)
{
    try {
        LevelListTransfer(table).importFile(listPath);
    } catch (const TolvexError& e) {
        return e.message();
    }
    return QString();
}

QStringList keysOf(const QString& tablePath)
{
    LevelTable table;
    table.setFileName(tablePath);
    table.open();
    QStringList keys;
    for (int i = 0; i < table.recordCount(); ++i)
        keys << table.textAt(i, Field::Datei);
    return keys;
}

} // namespace

class HostileFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void hostileLevelListsEndInAMessageOrASoundTable_data()
    {
        QTest::addColumn<Filler>("fill");
        QTest::addColumn<QString>("outcome");   // mkmapsdb's report, its start is enough
        QTest::addColumn<QStringList>("imported"); // what an import adds to a table

        QTest::newRow("200 MB in one line") << Filler([](QFile& f) { repeat(f, QByteArray(kMegabyte, 'x'), 200 * kMegabyte); })
                                            << "mkmapsdb: Der Index der Liste überschreitet das Maximum (1)" << QStringList();
        QTest::newRow("lines of 10 MB")
            << Filler([](QFile& f) {
                   const QByteArray line(10 * kMegabyte, 'w');
                   for (int i = 0; i < LevelList::kLinesPerRecord; ++i) {
                       f.write(i == Field::Typ ? QByteArray("CTF") : i >= Field::Quad ? QByteArray("Wahr") : i == Field::MinPlayer || i == Field::MaxPlayer ? QByteArray() : line);
                       f.write("\r\n");
                   }
               })
            << "mkmapsdb: Der Index der Liste überschreitet das Maximum (1)" << QStringList();
        QTest::newRow("a number of 10 MB")
            << Filler([](QFile& f) {
                   f.write(recordBytes(level(QStringLiteral("q2dm7"), QStringLiteral("Seven"))));
                   QStringList texts = level(QStringLiteral("q2dm8"), QStringLiteral("Eight"));
                   texts[Field::MinPlayer] = QString(10 * kMegabyte, u'7');
                   f.write(recordBytes(texts));
               })
            << "mkmapsdb: Der Index der Liste überschreitet das Maximum (17)" << QStringList{QStringLiteral("q2dm7")};
        QTest::newRow("binary noise") << Filler([](QFile& f) {
            QRandomGenerator random(20261207);
            QByteArray noise(4 * kMegabyte, Qt::Uninitialized);
            random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
            f.write(noise);
        }) << "mkmapsdb: " << QStringList();
        QTest::newRow("NUL bytes") << Filler([](QFile& f) {
            f.write(recordBytes(level(QStringLiteral("q2dm7"), QStringLiteral("Seven"))));
            f.write(recordBytes(level(QStringLiteral("q2dm8"), QStringLiteral("Eight"))));
            f.write(QByteArray(1000, '\0'));
            f.write(recordBytes(level(QStringLiteral("q2dm9"), QStringLiteral("Nine"))));
        }) << "2 records" << QStringList{QStringLiteral("q2dm7"), QStringLiteral("q2dm8")};
    }

    void hostileLevelListsEndInAMessageOrASoundTable()
    {
        QFETCH(Filler, fill);
        QFETCH(QString, outcome);
        QFETCH(QStringList, imported);
        const QString listPath = m_dir.filePath(QStringLiteral("levels.txt"));
        makeFile(listPath, fill);
        const auto removeList = qScopeGuard([&] { QFile::remove(listPath); });

        const QString built = m_dir.filePath(QStringLiteral("built.DB"));
        QFile::remove(built);
        const ChildResult tool = runProgram(QStringLiteral(MKMAPSDB), {listPath, built});
        QVERIFY2(tool.exited, qPrintable(QStringLiteral("signal %1").arg(tool.signal)));
        QVERIFY2(tool.peakMemoryKb < kMemoryBoundKb, qPrintable(QString::number(tool.peakMemoryKb)));
        // The file once, and little more than its longest allowed line besides.
        const qint64 listSize = QFileInfo(listPath).size();
        if (listSize > 50 * kMegabyte)
            QVERIFY2(tool.peakMemoryKb * 1024 < 2 * listSize, qPrintable(QString::number(tool.peakMemoryKb)));
        const QString report = QString::fromUtf8(tool.output.left(200));
        QVERIFY2(report.contains(outcome), qPrintable(report));
        // A failed build leaves no table behind; a good one holds whole records.
        QCOMPARE(QFile::exists(built), tool.exitCode == 0);
        if (tool.exitCode == 0 && !imported.isEmpty())
            QCOMPARE(keysOf(built), imported);

        if (QFileInfo(listPath).size() > 100 * kMegabyte)
            return;
        // Into a table that holds records already: none of them may go.
        const QString tablePath = m_dir.filePath(QStringLiteral("maps.DB"));
        QFile::remove(tablePath);
        createTable(tablePath, {QStringLiteral("base1"), QStringLiteral("base2"), QStringLiteral("base3")});
        {
            LevelTable table;
            table.setFileName(tablePath);
            table.open();
            const QString message = importInto(table, listPath);
            QCOMPARE(message.isEmpty(), tool.exitCode == 0);
        }
        QStringList expected = QStringList{QStringLiteral("base1"), QStringLiteral("base2"), QStringLiteral("base3")} + imported;
        expected.sort(Qt::CaseInsensitive);
        const QStringList keys = keysOf(tablePath);
        for (const QString& key : expected)
            QVERIFY2(keys.contains(key), qPrintable(key));
    }

    void aHugeKonfigIniEndsInAMessageOrASoundResult_data()
    {
        QTest::addColumn<Filler>("fill");
        QTest::addColumn<QString>("outcome");

        QTest::newRow("one line of 100 MB") << Filler([](QFile& f) {
            f.write("[Other]\r\nsprache=english\r\nparameter=");
            repeat(f, QByteArray(kMegabyte, 'p'), 100 * kMegabyte);
            f.write("\r\n");
        }) << QStringLiteral("english|%1|written").arg(QString(2047, u'p'));
        // Read as defaults, and refused for writing rather than destroyed.
        QTest::newRow("100 MB of short lines") << Filler([](QFile& f) {
            f.write("[Other]\r\nsprache=english\r\nparameter=+set cheats 1\r\n");
            repeat(f, QByteArray("k=v\r\n").repeated(200000), 100 * kMegabyte);
        }) << "||nach %1 kann nicht geschrieben werden";
    }

    void aHugeKonfigIniEndsInAMessageOrASoundResult()
    {
        QFETCH(Filler, fill);
        QFETCH(QString, outcome);
        const QString path = m_dir.filePath(QStringLiteral("konfig.ini"));
        makeFile(path, fill);
        const auto removeFile = qScopeGuard([&] { QFile::remove(path); });
        const qint64 oldSize = QFileInfo(path).size();
        const QByteArray oldTail = tail(path, 16);

        const ChildResult child = inChild([&] {
            ProfileFile file(path);
            QString result = file.readString(QStringLiteral("Other"), QStringLiteral("sprache"), QString()) + u'|'
                + file.readString(QStringLiteral("Other"), QStringLiteral("parameter"), QString()) + u'|';
            try {
                file.writeInteger(QStringLiteral("Hauptfenster"), QStringLiteral("width"), 640);
                file.flush();
                result += QStringLiteral("written");
            } catch (const TolvexError& e) {
                result += e.message();
            }
            return result.toUtf8();
        });
        QVERIFY(child.exited);
        QVERIFY2(child.peakMemoryKb < kMemoryBoundKb, qPrintable(QString::number(child.peakMemoryKb)));
        QCOMPARE(QString::fromUtf8(child.output), outcome.contains(QStringLiteral("%1")) ? outcome.arg(path) : outcome);
        // Every old byte stays; a write adds its key at the end.
        const QByteArray added = child.output.endsWith("written") ? QByteArray("[Hauptfenster]\r\nwidth=640\r\n") : QByteArray();
        QCOMPARE(QFileInfo(path).size(), oldSize + added.size());
        QCOMPARE(tail(path, added.size() + 16), oldTail + added);
    }

    void hostileJpegsEndInAMessageOrAPicture_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QColor>("corner");

        QTest::newRow("claims 65000 x 65000") << withClaimedSize(jpegSample(64, 64, JpegKind::Colour), 65000, 65000)
                                              << "error: Das Bild %1 ist zu groß (65000 x 65000 Bildpunkte)" << QColor();
        QTest::newRow("progressive bomb") << progressiveBomb(4096, 4096, 20000)
                                          << QStringLiteral("error: JPEG-Fehlernr. %1").arg(JERR_BAD_PROGRESSION) << QColor();
        const QByteArray whole = jpegSample(256, 192, JpegKind::Progressive);
        QTest::newRow("truncated") << whole.left(whole.size() * 2 / 3)
                                   << QStringLiteral("error: JPEG-Fehlernr. %1").arg(JWRN_JPEG_EOF) << QColor();
        // The first pixel holds the inks 0, 60, 120 and 180 (see jpegSample).
        QTest::newRow("CMYK") << jpegSample(64, 48, JpegKind::Cmyk) << "32x24" << QColor(75, 57, 39);
        QTest::newRow("Adobe CMYK") << jpegSample(64, 48, JpegKind::AdobeCmyk) << "32x24" << QColor(0, 42, 84);
    }

    void hostileJpegsEndInAMessageOrAPicture()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, outcome);
        QFETCH(QColor, corner);
        const QString path = m_dir.filePath(QStringLiteral("level.jpg"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        }
        const ChildResult child = inChild([&] {
            const QImage image = loadJpeg(path, QSize(32, 24));
            const QColor c = image.pixelColor(0, 0);
            return QStringLiteral("%1x%2 %3 %4 %5").arg(image.width()).arg(image.height()).arg(c.red()).arg(c.green()).arg(c.blue()).toUtf8();
        });
        QVERIFY(child.exited);
        QVERIFY2(child.peakMemoryKb < kMemoryBoundKb, qPrintable(QString::number(child.peakMemoryKb)));
        const QStringList got = QString::fromUtf8(child.output).split(u' ');
        if (!corner.isValid()) {
            QCOMPARE(QString::fromUtf8(child.output), outcome.contains(u'%') ? outcome.arg(path) : outcome);
            return;
        }
        QCOMPARE(got.value(0), outcome);
        // JPEG keeps colours only roughly.
        const int tolerance = 12;
        QVERIFY2(qAbs(got.value(1).toInt() - corner.red()) <= tolerance, child.output.constData());
        QVERIFY2(qAbs(got.value(2).toInt() - corner.green()) <= tolerance, child.output.constData());
        QVERIFY2(qAbs(got.value(3).toInt() - corner.blue()) <= tolerance, child.output.constData());
    }

    void anImportedFileNameWithShellCharactersReachesTheGameAsOneArgument()
    {
        const QString folder = m_dir.filePath(QStringLiteral("game"));
        QVERIFY(QDir().mkpath(folder));
        // The stand-in game writes its arguments, one a line, and nothing else.
        const QString game = folder + QStringLiteral("/quake2");
        {
            QFile script(game);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > args.tmp && mv args.tmp args.txt\n");
        }
        QVERIFY(QFile::setPermissions(game, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        const QStringList names{QStringLiteral("x&&id>pwn"), QStringLiteral("$(id>pwn)"), QStringLiteral("`id>pwn`"),
                                QStringLiteral("a|b&c>pwn<d"), QStringLiteral("'*?~!#()'")};
        QByteArray list;
        for (const QString& name : names)
            list += recordBytes(level(name, QStringLiteral("Shell")));
        const QString listPath = m_dir.filePath(QStringLiteral("shell.txt"));
        makeFile(listPath, [&](QFile& f) { f.write(list); });
        const QString tablePath = m_dir.filePath(QStringLiteral("shell.DB"));
        createTable(tablePath, {});

        LevelTable table;
        table.setFileName(tablePath);
        table.open();
        QCOMPARE(importInto(table, listPath), QString());
        QCOMPARE(table.recordCount(), names.size());
        for (table.first(); !table.eof(); table.next()) {
            const QString args = folder + QStringLiteral("/args.txt");
            QFile::remove(args);
            const QString datei = table.text(Field::Datei);
            // "$" would be expanded by some engines: the start refuses such a name before any program runs.
            if (datei.contains(u'$')) {
                QVERIFY_THROWS_EXCEPTION(TolvexError, gameParameters(datei, table.text(Field::Typ), QString()));
                continue;
            }
            QVERIFY(ExecuteFile(game, gameParameters(datei, table.text(Field::Typ), QStringLiteral("+set cheats 1")), folder) > 32);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(args), 20000);
            QCOMPARE(QString::fromLatin1(contents(args)).split(u'\n', Qt::SkipEmptyParts),
                     (QStringList{QStringLiteral("+map"), datei, QStringLiteral("+set"), QStringLiteral("deathmatch"),
                                  QStringLiteral("1"), QStringLiteral("+set"), QStringLiteral("cheats"), QStringLiteral("1")}));
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{QStringLiteral("args.txt"), QStringLiteral("quake2")}));
        QVERIFY(!QFile::exists(QStringLiteral("pwn")));
    }
};

QTEST_GUILESS_MAIN(HostileFilesTest)
#include "hostileFilesTest.moc"
