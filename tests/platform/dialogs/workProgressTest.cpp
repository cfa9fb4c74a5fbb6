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

    void aQuestionInTheMiddleIsNeitherCoveredNorCancelled()
    {
        QWidget owner;
        WorkProgress progress(&owner, QStringLiteral("Arbeit"), std::chrono::milliseconds(100));
        progress.allowCancel();
        progress.step(1, 4);
        // The question waits longer than the delay after which a slow run's window comes up.
        const bool answer = progress.askAside([] {
            QTest::qWait(300);
            return !QApplication::activeModalWidget();
        });
        QVERIFY(answer);
        QVERIFY(!progress.cancelled());
        progress.step(2, 4);
        QTRY_VERIFY(progress.isShown());
        QCOMPARE(progress.countText(), QStringLiteral("2 von 4"));
    }
};

QTEST_MAIN(WorkProgressTest)
#include "workProgressTest.moc"
