#include "RecordingCanvas.h"
#include "catalogue/SurveyLines.h"
#include "catalogue/SurveyPrint.h"
#include "tests/platform/dataaware/MemoryDataset.h"

#include <QTest>

using namespace tolvex;

namespace {

std::vector<QStringList> levels(int count)
{
    std::vector<QStringList> records;
    for (int i = 1; i <= count; ++i)
        records.push_back(test::levelTexts(QStringLiteral("lvl%1").arg(i, 3, 10, QLatin1Char('0')),
                                                   QStringLiteral("Level %1").arg(i)));
    return records;
}

QString printError(test::MemoryDataset& table, RecordingCanvas& canvas)
{
    try {
        printSurvey(table, canvas);
    } catch (const TolvexError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

} // namespace

class SurveyPrintTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void printsHeadingThenOneLinePerRecord()
    {
        auto records = levels(2);
        test::MemoryDataset table;
        table.load(records);
        RecordingCanvas canvas(20, 1000, &table);
        printSurvey(table, canvas);
        const QString regular = QStringLiteral("font MS Sans Serif 10 fixed");
        QCOMPARE(canvas.calls, (QStringList{
                                   QStringLiteral("name Tolvex - Levelübersicht"),
                                   QStringLiteral("begin"),
                                   regular,
                                   regular + QStringLiteral(" bold"),
                                   QStringLiteral("text 50,50 ") + surveyHeading(),
                                   regular,
                                   QStringLiteral("text 50,70 ") + surveyLine(1, records[0]),
                                   QStringLiteral("text 50,90 ") + surveyLine(2, records[1]),
                                   QStringLiteral("end"),
                               }));
        QVERIFY(canvas.drawnWhileDisplayShown.isEmpty());
        QCOMPARE(table.suspensions(), 1);
        QCOMPARE(table.suspensionDepth(), 0);
        QVERIFY(table.eof());
        QCOMPARE(table.recNo(), 2); // the walk leaves the cursor on the last record
    }

    void emptyCatalogueGivesTheHeadingOnly()
    {
        test::MemoryDataset table;
        table.load({});
        RecordingCanvas canvas(20, 1000, &table);
        printSurvey(table, canvas);
        QCOMPARE(canvas.calls.filter(QStringLiteral("text ")), QStringList{QStringLiteral("text 50,50 ") + surveyHeading()});
        QCOMPARE(canvas.calls.last(), QStringLiteral("end"));
        QCOMPARE(table.suspensionDepth(), 0);
    }

    // Lines are 20 high and the page ends for lines at 200 - 100: the line
    // that brings the offset to 100 is the last of its page.
    void breaksPagesWhereTheOffsetReachesTheBottomMargin_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("positions");
        QTest::newRow("one page") << 3 << "70 90 110";
        QTest::newRow("page just full: no blank sheet") << 4 << "70 90 110 130";
        QTest::newRow("fifth line on a new page") << 5 << "70 90 110 130 | 50";
        QTest::newRow("later pages hold five") << 10 << "70 90 110 130 | 50 70 90 110 130 | 50";
    }
    void breaksPagesWhereTheOffsetReachesTheBottomMargin()
    {
        QFETCH(int, records);
        QFETCH(QString, positions);
        test::MemoryDataset table;
        table.load(levels(records));
        RecordingCanvas canvas(20, 200, &table);
        printSurvey(table, canvas);
        QCOMPARE(canvas.linePositions(), positions);
        QCOMPARE(canvas.calls.filter(QStringLiteral("Nr. Datei")).size(), 1);
        // The running number goes on across pages.
        const QStringList texts = canvas.calls.filter(QStringLiteral("text "));
        QVERIFY(texts.last().endsWith(surveyLine(records, levels(records).back())));
        QCOMPARE(canvas.calls.last(), QStringLiteral("end"));
    }

    void reportsProgressAfterEveryLine()
    {
        test::MemoryDataset table;
        table.load(levels(4));
        RecordingCanvas canvas(20, 1000, &table);
        QList<int> done;
        printSurvey(table, canvas, [&done](int lines) { done << lines; });
        QCOMPARE(done, (QList<int>{1, 2, 3, 4}));
    }

    void printerFailureAbortsAndResumesTheDisplay_data()
    {
        QTest::addColumn<QString>("failingCall");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<bool>("documentBegun");
        QTest::newRow("cannot begin") << "begin" << 1 << false;
        QTest::newRow("heading") << "text" << 1 << true;
        QTest::newRow("third record") << "text" << 4 << true;
        QTest::newRow("new page") << "page" << 1 << true;
        QTest::newRow("end of the document") << "end" << 1 << true;
    }
    void printerFailureAbortsAndResumesTheDisplay()
    {
        QFETCH(QString, failingCall);
        QFETCH(int, occurrence);
        QFETCH(bool, documentBegun);
        test::MemoryDataset table;
        table.load(levels(8));
        RecordingCanvas canvas(20, 200, &table);
        canvas.failAt(failingCall, occurrence);
        QCOMPARE(printError(table, canvas), QStringLiteral("Der Drucker hat kein Papier"));
        QCOMPARE(table.suspensionDepth(), 0);
        // An ended document is not aborted as well; one that failed to end or never got going isn't either.
        const bool aborted = canvas.calls.contains(QStringLiteral("abort"));
        QCOMPARE(aborted, documentBegun && failingCall != QLatin1String("end"));
        if (aborted)
            QCOMPARE(canvas.calls.last(), QStringLiteral("abort"));
    }
};

QTEST_APPLESS_MAIN(SurveyPrintTest)
#include "surveyPrintTest.moc"
