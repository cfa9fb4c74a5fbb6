#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelTable.h"
#include "paradox/ParadoxConversion.h"
#include "paradox/ParadoxTable.h"
#include "tests/paradox/ParadoxSamples.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvex;
using namespace tolvex::test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray exported(const QString& path)
{
    LevelTable table;
    table.setFileName(path);
    table.open();
    return LevelListTransfer(table).exportText();
}

// Starts the conversion in a child and kills it after the given time (or lets it end).
void convertInChild(const QString& db, qint64 killAfterUs)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        try {
            convertParadoxCatalogue(db);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    QVERIFY(pid > 0);
    if (killAfterUs >= 0) {
        ::usleep(useconds_t(killAfterUs));
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
}

} // namespace

class ParadoxCrashTest : public QObject {
    Q_OBJECT

    ParadoxSample m_sample = thousandLevels();
    QByteArray m_table;
    QByteArray m_memos;

    void writeOldFolder(const QString& folder)
    {
        QFile table(folder + QStringLiteral("/maps.DB"));
        QFile memos(folder + QStringLiteral("/maps.MB"));
        QVERIFY(table.open(QIODevice::WriteOnly) && table.write(m_table) == m_table.size());
        QVERIFY(memos.open(QIODevice::WriteOnly) && memos.write(m_memos) == m_memos.size());
    }

    // Either the old catalogue is in place with all its files, or the new one
    // with the old files whole in "paradox".
    void checkOneWholeCatalogue(const QString& folder, int& old)
    {
        const QString db = folder + QStringLiteral("/maps.DB");
        if (isParadoxTable(db)) {
            ++old;
            QCOMPARE(readAll(db), m_table);
            QCOMPARE(readAll(folder + QStringLiteral("/maps.MB")), m_memos);
            convertParadoxCatalogue(db);
        }
        QCOMPARE(exported(db), expectedExport(m_sample.texts));
        QCOMPARE(readAll(folder + QStringLiteral("/paradox/maps.DB")), m_table);
        QCOMPARE(readAll(folder + QStringLiteral("/paradox/maps.MB")), m_memos);
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QTemporaryDir dir;
        writeParadoxTable(dir.filePath(QStringLiteral("maps.DB")), m_sample.levels);
        m_table = readAll(dir.filePath(QStringLiteral("maps.DB")));
        m_memos = readAll(dir.filePath(QStringLiteral("maps.MB")));
    }

    void killedConversionLeavesOneWholeCatalogue()
    {
        // How long one conversion takes here, to spread the kills over all of it.
        qint64 wholeUs = 0;
        {
            const QTemporaryDir dir;
            writeOldFolder(dir.path());
            QElapsedTimer timer;
            timer.start();
            convertInChild(dir.filePath(QStringLiteral("maps.DB")), -1);
            wholeUs = timer.nsecsElapsed() / 1000;
            int old = 0;
            checkOneWholeCatalogue(dir.path(), old);
            QCOMPARE(old, 0);
        }
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        const int rounds = 24;
        int old = 0;
        for (int round = 0; round < rounds; ++round) {
            const QTemporaryDir dir;
            writeOldFolder(dir.path());
            // A point in each slice of the run, and a few past its end.
            const qint64 at = (wholeUs * round + qint64(random.bounded(quint32(wholeUs)))) * 11 / (10 * rounds);
            convertInChild(dir.filePath(QStringLiteral("maps.DB")), at);
            checkOneWholeCatalogue(dir.path(), old);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(QStringLiteral("round %1, killed after %2 us of %3, seed %4").arg(round).arg(at).arg(wholeUs).arg(seed)));
        }
        QVERIFY(old > 0);
    }
};

QTEST_GUILESS_MAIN(ParadoxCrashTest)
#include "paradoxCrashTest.moc"
