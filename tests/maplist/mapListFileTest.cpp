#include "maplist/MapListFile.h"
#include "platform/dialogs/TolvexError.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tolvex;

namespace {

} // namespace

class MapListFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void savingWritesEveryEntryWithCrLf_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("last line without ending")
            << QByteArray("q2dm1\r\nq2dm2") << QStringList{"q2dm1", "q2dm2"} << QByteArray("q2dm1\r\nq2dm2\r\n");
        QTest::newRow("lone LF") << QByteArray("a\nb\n") << QStringList{"a", "b"} << QByteArray("a\r\nb\r\n");
        QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringList{"a", "b"} << QByteArray("a\r\nb\r\n");
        QTest::newRow("empty lines and comments stay")
            << QByteArray("// rotation\r\n\r\nq2dm1\r\n") << QStringList{"// rotation", "", "q2dm1"}
            << QByteArray("// rotation\r\n\r\nq2dm1\r\n");
        QTest::newRow("empty file") << QByteArray() << QStringList{} << QByteArray();
        QTest::newRow("NUL ends the list")
            << QByteArray("q2dm1\r\nq2\0dm2\r\nq2dm3\r\n", 22) << QStringList{"q2dm1", "q2"} << QByteArray("q2dm1\r\nq2\r\n");
    }
    void savingWritesEveryEntryWithCrLf()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, entries);
        QFETCH(QByteArray, saved);
        const QString path = m_dir.filePath("maps.txt");
        put(path, file);
        const QStringList read = readMapList(path);
        QCOMPARE(read, entries);
        writeMapList(path, read);
        QCOMPARE(contents(path), saved);
    }

    // NUL ends the text and CR and LF end lines; every other byte is an
    // entry's own and must come back unchanged.
    void everyByteValueRoundTrips()
    {
        QByteArray file;
        for (int b = 1; b < 256; ++b) {
            if (b != '\r' && b != '\n')
                file.append(char(b));
        }
        file += "\r\n";
        const QString path = m_dir.filePath("bytes.txt");
        put(path, file);
        const QStringList read = readMapList(path);
        QCOMPARE(read.size(), 1);
        QVERIFY(read.first().contains(QChar(0x20AC)));
        writeMapList(path, read);
        QCOMPARE(contents(path), file);
    }

    void aMissingFileCannotBeOpened()
    {
        for (const QString& path : QStringList{m_dir.filePath("gone.txt"), QString(), m_dir.path()}) {
            try {
                (void)readMapList(path);
                QFAIL("no error");
            } catch (const TolvexError& e) {
                QCOMPARE(e.message(), QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(path));
            }
        }
    }

    void aTargetThatCannotBeCreatedIsLeftWhole()
    {
        const QString path = m_dir.filePath("readonly.txt");
        put(path, "q2dm1\r\n");
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        for (const QString& target : QStringList{path, m_dir.filePath("missing/maps.txt"), QString()}) {
            try {
                writeMapList(target, {"q2dm8"});
                QFAIL("no error");
            } catch (const TolvexError& e) {
                QCOMPARE(e.message(), QStringLiteral("Datei %1 kann nicht erstellt werden").arg(target));
            }
        }
        QCOMPARE(contents(path), QByteArray("q2dm1\r\n"));
        QVERIFY(!QDir(m_dir.path()).exists("missing"));
    }
};

QTEST_GUILESS_MAIN(MapListFileTest)
#include "mapListFileTest.moc"
