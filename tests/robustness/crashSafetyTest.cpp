#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"
#include "level/LevelFields.h"
#include "tests/robustness/ImportRecords.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <memory>

using namespace tolvex;

namespace {

constexpr int kRecords = 100000;
constexpr int kBulk = 5000;
constexpr int kKills = 20;

using Db = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;

Db openDb(const QString& path, int flags)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    return Db(raw, sqlite3_close);
}

QString integrity(sqlite3* db)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(db));
    QStringList lines;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    return lines.join(u'\n');
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedImportKeepsEveryStoredRecordAndAWholeFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("maps.DB"));
        {
            const Db db = openDb(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            QCOMPARE(sqlite3_exec(db.get(), LevelSchema::createStatement(), nullptr, nullptr, nullptr), SQLITE_OK);
        }

        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        const QString context = QStringLiteral("seed %1").arg(seed);
        // What every earlier run left, which no later kill may take away.
        QList<int> keptPerRun;
        int kills = 0;
        for (int run = 0; run < kKills; ++run) {
            QProcess child;
            child.start(QStringLiteral(BULK_IMPORT_CHILD),
                        {path, QString::number(run), QString::number(kRecords), QString::number(kBulk)});
            QVERIFY2(child.waitForStarted(), qPrintable(context));
            // From before the table is open to deep into the import.
            const int delay = random.bounded(50, 4000);
            if (!child.waitForFinished(delay)) {
                child.kill();
                ++kills;
            }
            QVERIFY2(child.waitForFinished(), qPrintable(context));
            QVERIFY2(child.exitStatus() == QProcess::CrashExit || child.exitCode() == 0,
                     qPrintable(context + u' ' + QString::fromLocal8Bit(child.readAllStandardError())));

            QSet<QString> stored;
            const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
            // The last piece may be a line cut by the kill; it counts for nothing.
            for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
                if (lines[i].startsWith("stored "))
                    stored.insert(QString::fromLatin1(lines[i].mid(7)));
            }

            const Db db = openDb(path, SQLITE_OPEN_READWRITE);
            QCOMPARE(integrity(db.get()), QStringLiteral("ok"));

            // Per run, the records in the file are a run of whole records
            // from the first on: a crash loses only an unfinished tail.
            QList<int> present(run + 1, 0);
            sqlite3_stmt* stmt = nullptr;
            const QString columns = QStringLiteral("\"Datei\", \"Level\", \"Typ\", \"Min Player\", \"Max Player\", \"Beschreibung\", "
                                                   "\"Quad\", \"Invul\", \"GL\", \"RL\", \"HB\", \"RG\", \"BFG\"");
            QCOMPARE(sqlite3_prepare_v2(db.get(), QStringLiteral("SELECT %1 FROM maps ORDER BY \"Datei\"").arg(columns).toUtf8().constData(),
                                        -1, &stmt, nullptr), SQLITE_OK);
            const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(stmt, sqlite3_finalize);
            int expectedRun = 0;
            int expectedN = 0;
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                QStringList texts;
                for (int col = 0; col < kFieldCount; ++col) {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
                    texts << QString::fromUtf8(text);
                }
                while (expectedRun <= run && texts[Field::Datei] != test::importName(expectedRun, expectedN)) {
                    ++expectedRun;
                    expectedN = 0;
                }
                QVERIFY2(expectedRun <= run, qPrintable(context + u' ' + texts[Field::Datei]));
                QStringList expected = test::importTexts(expectedRun, expectedN);
                for (int flag = Field::Quad; flag <= Field::BFG; ++flag)
                    expected[flag] = expected[flag] == QStringLiteral("Wahr") ? QStringLiteral("1") : QStringLiteral("0");
                QCOMPARE(texts, expected);
                ++present[expectedRun];
                ++expectedN;
            }

            for (const QString& name : stored) {
                const int n = name.mid(4).toInt();
                QVERIFY2(n < present[run], qPrintable(context + QStringLiteral(": reported stored, missing: ") + name));
            }
            for (int earlier = 0; earlier < run; ++earlier)
                QVERIFY2(present[earlier] == keptPerRun[earlier], qPrintable(context + QStringLiteral(": run %1 lost records").arg(earlier)));
            keptPerRun.append(present[run]);
        }
        QCOMPARE(kills, kKills);

        // The program opens what the kills left.
        LevelTable table;
        table.setFileName(path);
        table.open();
        int total = 0;
        for (const int kept : keptPerRun)
            total += kept;
        QCOMPARE(table.recordCount(), total);
    }
};

QTEST_GUILESS_MAIN(CrashSafetyTest)
#include "crashSafetyTest.moc"
