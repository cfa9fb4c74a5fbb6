#include "catalogue/SurveyLines.h"
#include "tests/platform/dataaware/MemoryDataset.h"

#include <QTest>

using namespace tolvex;

class SurveyLinesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void headingNamesTheColumnsAboveTheirStarts()
    {
        const QString heading = surveyHeading();
        QCOMPARE(heading, QStringLiteral("Nr. Datei           Level                          Typ Spieler Items"));
        QCOMPARE(heading.size(), 68);
        QCOMPARE(heading.indexOf(QLatin1String("Datei")), 4);
        QCOMPARE(heading.indexOf(QLatin1String("Level")), 20);
        QCOMPARE(heading.indexOf(QLatin1String("Typ")), 51);
        QCOMPARE(heading.indexOf(QLatin1String("Spieler")), 55);
        QCOMPARE(heading.indexOf(QLatin1String("Items")), 63);
    }

    void recordLineFillsFixedColumns_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("numberColumn");
        QTest::addColumn<QString>("fileColumn");
        QTest::addColumn<QString>("levelColumn");
        QTest::addColumn<QString>("typeColumn");
        QTest::addColumn<QString>("playersColumn");
        QTest::addColumn<QString>("itemsColumn");

        const QStringList all{"Quad", "Invul", "GL", "RL", "HB", "RG", "BFG"};
        QTest::newRow("every flag set")
            << 1 << test::levelTexts("q2dm1", "The Edge", "DM", "2", "8", all)
            << "1  " << "q2dm1          " << "The Edge                      " << "DM " << "2-8    "
            << "GL RL HB RG BFG Quad Invul ";
        QTest::newRow("no flag set")
            << 42 << test::levelTexts("q2ctf1", "McKinley Revival", "CTF", "4", "16")
            << "42 " << "q2ctf1         " << "McKinley Revival              " << "CTF" << "4-16   "
            << QString(27, u' ');
        QTest::newRow("empty flags count as not set")
            << 7 << QStringList{"e1", "Empty", "", "", "", "", "", "", "", "", "", "", ""}
            << "7  " << "e1             " << "Empty                         " << "   " << "-      "
            << QString(27, u' ');
        QTest::newRow("slots keep their order")
            << 3 << test::levelTexts("q2dm3", "The Pits", "DM", "2", "4", {"Quad", "BFG", "RL"})
            << "3  " << "q2dm3          " << "The Pits                      " << "DM " << "2-4    "
            << "   RL       BFG Quad       ";
        QTest::newRow("999 still fits")
            << 999 << test::levelTexts("a", "b") << "999" << "a              "
            << "b                             " << "DM " << "-      " << QString(27, u' ');
        QTest::newRow("from the 1000th line on")
            << 1000 << test::levelTexts("a", "b") << "..." << "a              "
            << "b                             " << "DM " << "-      " << QString(27, u' ');
        QTest::newRow("level name of 31 characters")
            << 5 << test::levelTexts("long", QString(31, u'L'), "DM", "1", "2")
            << "5  " << "long           " << QString(27, u'L') + "..." << "DM " << "1-2    " << QString(27, u' ');
        QTest::newRow("level name of 50 characters")
            << 5 << test::levelTexts("long", "Die Festung über dem Abgrund der tausend Stufen zwei")
            << "5  " << "long           " << "Die Festung über dem Abgrun..." << "DM " << "-      "
            << QString(27, u' ');
        QTest::newRow("level name of exactly 30")
            << 5 << test::levelTexts("exact", QString(30, u'x')) << "5  " << "exact          "
            << QString(30, u'x') << "DM " << "-      " << QString(27, u' ');
        QTest::newRow("file name of exactly 15")
            << 6 << test::levelTexts("abcdefghijklmno", "Fifteen") << "6  " << "abcdefghijklmno"
            << "Fifteen                       " << "DM " << "-      " << QString(27, u' ');
        QTest::newRow("player range too wide")
            << 8 << test::levelTexts("big", "Big", "DM", "100", "1000") << "8  " << "big            "
            << "Big                           " << "DM " << "100-..." << QString(27, u' ');
        QTest::newRow("negative numbers")
            << 9 << test::levelTexts("neg", "Neg", "DM", "-1", "-2") << "9  " << "neg            "
            << "Neg                           " << "DM " << "-1--2  " << QString(27, u' ');
        QTest::newRow("only a maximum")
            << 10 << test::levelTexts("max", "Max", "", "", "12") << "10 " << "max            "
            << "Max                           " << "   " << "-12    " << QString(27, u' ');
    }
    void recordLineFillsFixedColumns()
    {
        QFETCH(int, number);
        QFETCH(QStringList, fields);
        const QString line = surveyLine(number, fields);
        QCOMPARE(line.size(), 90);
        QTEST(line.mid(0, 3), "numberColumn");
        QTEST(line.mid(4, 15), "fileColumn");
        QTEST(line.mid(20, 30), "levelColumn");
        QTEST(line.mid(51, 3), "typeColumn");
        QTEST(line.mid(55, 7), "playersColumn");
        QTEST(line.mid(63, 27), "itemsColumn");
        for (int blank : {3, 19, 50, 54, 62})
            QCOMPARE(line.at(blank), u' ');
    }
};

QTEST_APPLESS_MAIN(SurveyLinesTest)
#include "surveyLinesTest.moc"
