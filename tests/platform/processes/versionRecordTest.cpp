#include "common/toolbox.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/processes/VersionRecord.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;

namespace {

QByteArray recordBytes(VersionNumbers v)
{
    const VersionRecordBytes record = makeVersionRecord(v);
    return QByteArray(reinterpret_cast<const char*>(record.data()), qsizetype(record.size()));
}

// Stands in for the rest of a program file.
QByteArray filler(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(4711);
    for (char& c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

QString readError(const QString& path)
{
    try {
        (void)readVersionRecord(path);
    } catch (const TolvexError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

} // namespace

class VersionRecordTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void versionTextShowsTheRunningProgramsRecord()
    {
        // This test program is built with the record 1.2.0.6.
        QCOMPARE(VersionText(), QStringLiteral("Version: 1.2.0 (Build 6)"));
        QCOMPARE(VersionText(), QStringLiteral("Version: 1.2.0 (Build 6)"));
    }

    void findsTheRecordAnywhereInTheFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        const VersionNumbers v{3, 14, 15, 9265};
        const QByteArray record = recordBytes(v);
        constexpr qsizetype chunk = 1 << 20;
        QTest::newRow("at the start") << record + filler(1000);
        QTest::newRow("at the very end") << filler(5000) + record;
        QTest::newRow("across a chunk boundary") << filler(chunk - 10) + record + filler(100);
        QTest::newRow("right after a boundary") << filler(chunk) + record;
        QTest::newRow("after a damaged copy") << filler(100) + record.left(20) + "xxxxxxxx" + record + filler(10);
        QTest::newRow("after a bare marker") << record.left(16) + filler(64) + record;
    }
    void findsTheRecordAnywhereInTheFile()
    {
        QFETCH(QByteArray, contents);
        const QString path = write(QStringLiteral("program"), contents);
        const VersionNumbers v = readVersionRecord(path);
        QCOMPARE(v, (VersionNumbers{3, 14, 15, 9265}));
    }

    void refusesFilesWithoutAValidRecord_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("expected"); // 0: none, 1: damaged
        QByteArray flipped = recordBytes({1, 0, 0, 1});
        flipped[17] = char(flipped[17] ^ 0x01); // a number changed behind the checksum's back
        QTest::newRow("no record") << filler(200000) << 0;
        QTest::newRow("empty file") << QByteArray() << 0;
        QTest::newRow("number changed") << filler(100) + flipped + filler(100) << 1;
        QTest::newRow("cut off at the end") << filler(100) + recordBytes({1, 0, 0, 1}).left(20) << 1;
    }
    void refusesFilesWithoutAValidRecord()
    {
        QFETCH(QByteArray, contents);
        QFETCH(int, expected);
        const QString path = write(QStringLiteral("broken"), contents);
        QCOMPARE(readError(path), expected == 0 ? noVersionMessage(path) : damagedVersionMessage(path));
    }

    void programWithoutStampHasNoRecord()
    {
        // Links the reader, and so its own copy of the marker, but no record.
        const QString other = QStringLiteral(TOOLBOX_TEST_FILE);
        QVERIFY(QFile::exists(other));
        QCOMPARE(readError(other), noVersionMessage(other));
    }

    void fileThatCannotBeOpened()
    {
        const QString missing = m_dir.filePath(QStringLiteral("missing"));
        QCOMPARE(readError(missing), QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(missing));
        QCOMPARE(readError(m_dir.path()), QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(m_dir.path()));
    }
};

QTEST_GUILESS_MAIN(VersionRecordTest)
#include "versionRecordTest.moc"
