#include "launch/ExecUnit.h"
#include "platform/processes/ProgramStart.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;

class ExecUnitTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyCallRecordsItsResultAndFile()
    {
        QCOMPARE(LastResult, 33);
        QCOMPARE(LastFile, QString());

        QTemporaryDir dir;
        QCOMPARE(ExecuteFile("quake2", " +map q2dm1 +set deathmatch 1 ", dir.path() + '/'), shellresult::kFileNotFound);
        QCOMPARE(LastResult, shellresult::kFileNotFound);
        QCOMPARE(LastFile, QStringLiteral("quake2"));

        QCOMPARE(ExecuteFile(QString(), QString(), QString()), shellresult::kFileNotFound);
        QCOMPARE(LastFile, QString());
    }
};

QTEST_GUILESS_MAIN(ExecUnitTest)
#include "execUnitTest.moc"
