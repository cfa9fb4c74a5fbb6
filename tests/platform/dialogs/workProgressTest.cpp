#include "platform/dialogs/WorkProgress.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

using namespace tolvex;

class WorkProgressTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void workWithinTheDelayShowsNothing()
    {
        QWidget owner;
        WorkProgress progress(&owner, QStringLiteral("Arbeit"), std::chrono::hours(1));
        for (int done = 1; done <= 1000; ++done) {
            progress.step(done, 1000);
            QVERIFY(!progress.isShown());
        }
    }

    void longWorkShowsAModalCountUntilItEnds()
    {
        QWidget owner;
        WorkProgress progress(&owner, QStringLiteral("Arbeit"), std::chrono::milliseconds(0));
        progress.step(1, 4);
        QVERIFY(progress.isShown());
        QCOMPARE(progress.countText(), QStringLiteral("1 von 4"));
        QVERIFY(QApplication::activeModalWidget() != nullptr);
        progress.step(4, 4);
        QVERIFY(!progress.isShown());
    }
};

QTEST_MAIN(WorkProgressTest)
#include "workProgressTest.moc"
