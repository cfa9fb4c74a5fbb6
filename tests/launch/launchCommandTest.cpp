#include "launch/LaunchCommand.h"
#include "platform/dialogs/TolvexError.h"

#include <QSet>
#include <QStringList>
#include <QTest>

#include <functional>
#include <initializer_list>

using namespace tolvex;

class LaunchCommandTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void gameParameters_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("expected");
        QTest::newRow("deathmatch") << "DM" << "+set dmflags 20" << " +map arena1 +set deathmatch 1 +set dmflags 20";
        QTest::newRow("capture the flag") << "CTF" << "+set dmflags 20" << " +map arena1 +set game ctf +set dmflags 20";
        QTest::newRow("dm in lower case is not deathmatch") << "dm" << "" << " +map arena1 +set game ctf ";
        QTest::newRow("empty type") << "" << "" << " +map arena1 +set game ctf ";
        QTest::newRow("DM with a blank") << "DM " << "" << " +map arena1 +set game ctf ";
        QTest::newRow("empty extras leave a trailing blank") << "DM" << "" << " +map arena1 +set deathmatch 1 ";
    }
    void gameParameters()
    {
        QFETCH(QString, type);
        QFETCH(QString, extra);
        QFETCH(QString, expected);
        QCOMPARE(tolvex::gameParameters("arena1", type, extra), expected);
    }

    void eraserBotParameters_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("expected");
        QTest::newRow("fixed count") << "+set dmflags 20" << qint64(5) << "+set game eraser +map arena1 +set dmflags 20 +bot_num 5";
        QTest::newRow("empty extras give two blanks") << "" << qint64(4) << "+set game eraser +map arena1  +bot_num 4";
        QTest::newRow("negative count") << "" << qint64(-1) << "+set game eraser +map arena1  +bot_num -1";
        QTest::newRow("count below 32 bits") << "" << qint64(-2147483649) << "+set game eraser +map arena1  +bot_num -2147483649";
    }
    void eraserBotParameters()
    {
        QFETCH(QString, extra);
        QFETCH(qint64, count);
        QFETCH(QString, expected);
        QCOMPARE(tolvex::eraserBotParameters("arena1", extra, count), expected);
    }

    void namesTheGameWouldSplitAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("blank and plus") << "q +exec a.cfg";
        QTest::newRow("blank") << "big arena";
        QTest::newRow("tab") << "big\tarena";
        QTest::newRow("no-break space") << QStringLiteral("big\u00A0arena");
        QTest::newRow("plus") << "q+quit";
        QTest::newRow("double quote") << "q\"quit";
        QTest::newRow("semicolon") << "q;quit";
        QTest::newRow("line feed") << "q\nquit";
        QTest::newRow("escape") << "q\x1b[2J";
        QTest::newRow("C1 control, an undefined Windows-1252 byte") << QStringLiteral("q\u0081");
    }
    void namesTheGameWouldSplitAreRefused()
    {
        QFETCH(QString, name);
        const QString message = QStringLiteral("'%1' ist kein gültiger Level-Name").arg(name);
        for (const auto& build : std::initializer_list<std::function<QString()>>{
                 [&] { return tolvex::gameParameters(name, "DM", ""); },
                 [&] { return tolvex::eraserBotParameters(name, "", 4); }}) {
            try {
                (void)build();
                QFAIL("the name was passed on");
            } catch (const TolvexError& e) {
                QCOMPARE(e.message(), message);
            }
        }
    }

    void plainNamesPassAsToday()
    {
        for (const QString name : {"q2dm1", "x'*?~!#()$", "caf\u00E9-\u20AC_[1]", "a|b&c>d<e", "dm.v2,b", ""}) {
            QCOMPARE(tolvex::gameParameters(name, "DM", ""), " +map " + name + " +set deathmatch 1 ");
            QCOMPARE(tolvex::eraserBotParameters(name, "", 4), "+set game eraser +map " + name + "  +bot_num 4");
        }
    }

    void derivedBotCount_data()
    {
        QTest::addColumn<QString>("minPlayer");
        QTest::addColumn<QString>("maxPlayer");
        QTest::addColumn<qint64>("count");
        QTest::newRow("2 and 8") << "2" << "8" << qint64(4);
        QTest::newRow("4 and 16") << "4" << "16" << qint64(9);
        QTest::newRow("3 and 4") << "3" << "4" << qint64(2);
        QTest::newRow("1 and 1") << "1" << "1" << qint64(0);
        QTest::newRow("0 and 0") << "0" << "0" << qint64(-1);
        QTest::newRow("negative numbers") << "-6" << "-2" << qint64(-5);
        QTest::newRow("widest range") << "-2147483648" << "2147483647" << qint64(-2);
        QTest::newRow("lowest numbers go below 32 bits") << "-2147483648" << "-2147483648" << qint64(-2147483649);
    }
    void derivedBotCount()
    {
        QFETCH(QString, minPlayer);
        QFETCH(QString, maxPlayer);
        QFETCH(qint64, count);
        QCOMPARE(tolvex::derivedBotCount(minPlayer, maxPlayer), std::optional(count));
    }

    void moreMinThanMaxPlayersIsRefused()
    {
        QCOMPARE(tolvex::derivedBotCount("6", "5"), std::nullopt);
        QCOMPARE(QString::fromUtf8(kIllogicalPlayersMessage), QStringLiteral("Die Spielerangaben sind unlogisch!"));
    }

    void playerTextsMustBeIntegers_data()
    {
        QTest::addColumn<QString>("minPlayer");
        QTest::addColumn<QString>("maxPlayer");
        QTest::addColumn<QString>("named");
        QTest::newRow("empty max") << "2" << "" << "";
        QTest::newRow("letters in min") << "zwei" << "8" << "zwei";
        QTest::newRow("both bad names max") << "a" << "b" << "b";
        QTest::newRow("trailing blank") << "2" << "8 " << "8 ";
    }
    void playerTextsMustBeIntegers()
    {
        QFETCH(QString, minPlayer);
        QFETCH(QString, maxPlayer);
        QFETCH(QString, named);
        try {
            (void)tolvex::derivedBotCount(minPlayer, maxPlayer);
            QFAIL("converted");
        } catch (const TolvexError& e) {
            QCOMPARE(e.message(), QStringLiteral("'%1' ist kein gültiger Integerwert").arg(named));
        }
    }

    void theMenuHoldsTwentyTwoFixedCounts()
    {
        QList<int> counts;
        QSet<QString> names;
        for (const BotMenuItem& item : kBotMenuItems) {
            counts.append(item.count);
            names.insert(QString::fromLatin1(item.name));
            QCOMPARE(QString::fromLatin1(item.name), u'N' + QString::number(item.count) + u'1');
        }
        QCOMPARE(counts, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 30, 35, 40, 45, 50, 55, 60}));
        QCOMPARE(names.size(), 22);
        QCOMPARE(QString::fromLatin1(kBotMenuItems[5].submenu), QStringLiteral("wenig1"));
        QCOMPARE(QString::fromLatin1(kBotMenuItems[6].submenu), QStringLiteral("mittel1"));
        QCOMPARE(QString::fromLatin1(kBotMenuItems[14].submenu), QStringLiteral("viel1"));
        QCOMPARE(botMenuCaption(1), QStringLiteral("1 Bot"));
        QCOMPARE(botMenuCaption(30), QStringLiteral("30 Bots"));
    }
};

QTEST_APPLESS_MAIN(LaunchCommandTest)
#include "launchCommandTest.moc"
