#include "catalogue/LevelList.h"
#include "catalogue/LevelTable.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/TextFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvex;

class LevelListTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void recordIsThirteenLinesWithTheDescriptionEscaped()
    {
        LevelRecord record;
        record[Field::Datei] = QStringLiteral("q2dm1");
        record[Field::Level] = QStringLiteral("The Edge");
        record[Field::Typ] = QStringLiteral("DM");
        record[Field::MaxPlayer] = -8;
        record[Field::Beschreibung] = QStringLiteral("Brücken\r\nüber dem Abgrund");
        record[Field::Quad] = true;
        record[Field::Invul] = false;
        record[Field::BFG] = true;

        const QByteArray expected = "q2dm1\r\nThe Edge\r\nDM\r\n\r\n-8\r\n"
                                    "Br\xfc" "cken<CR><LF>\xfc" "ber dem Abgrund\r\n"
                                    "Wahr\r\nFalsch\r\n\r\n\r\n\r\n\r\nWahr\r\n";
        QCOMPARE(joinLines(LevelList::recordLines(record)), expected);
    }

    void descriptionEscaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("typed line break") << "a\r\nb" << "a<CR><LF>b";
        QTest::newRow("lone LF") << "a\nb" << "a<LF>b";
        QTest::newRow("lone CR") << "a\rb" << "a<CR>b";
        QTest::newRow("LF CR") << "\n\r" << "<LF><CR>";
        QTest::newRow("nothing to escape") << "<C R>" << "<C R>";
    }
    void descriptionEscaping()
    {
        QFETCH(QString, text);
        QFETCH(QString, line);
        QCOMPARE(LevelList::escapeDescription(text), line);
        QCOMPARE(LevelList::unescapeDescription(line), text);
    }

    void onlyTheDescriptionOfAGroupIsUnescaped()
    {
        QStringList group(LevelList::kLinesPerRecord);
        group[Field::Datei] = QStringLiteral("a<CR>b");
        group[Field::Level] = QStringLiteral("x<LF>");
        group[Field::Beschreibung] = QStringLiteral("typed <CR> comes back as CR<CR><LF>");
        const QStringList texts = LevelList::groupTexts(group);
        QCOMPARE(texts.at(Field::Datei), QStringLiteral("a<CR>b"));
        QCOMPARE(texts.at(Field::Level), QStringLiteral("x<LF>"));
        QCOMPARE(texts.at(Field::Beschreibung), QStringLiteral("typed \r comes back as CR\r\n"));
        QVERIFY_THROWS_EXCEPTION(TolvexError, (void)LevelList::groupTexts(group.mid(0, 12)));
    }

    void demoCatalogueBuildsAndIsNeverOverwritten()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("maps.DB");
        QCOMPARE(QProcess::execute(MKMAPSDB, {DEMO_LEVELS, db}), 0);

        LevelTable table;
        table.setFileName(db);
        table.open();
        QCOMPARE(table.recordCount(), 13);
        table.findNearest("q2dm1");
        QCOMPARE(table.text(Field::Level), QStringLiteral("The Edge"));
        QCOMPARE(table.text(Field::Typ), QStringLiteral("DM"));
        QVERIFY(table.text(Field::Beschreibung).contains(QStringLiteral("Abgrund.\r\nDie Railgun")));
        table.findNearest("q2ctf5");
        QCOMPARE(table.text(Field::Level), QStringLiteral("Command Center"));
        QCOMPARE(table.text(Field::Typ), QStringLiteral("CTF"));
        table.close();

        QFile file(db);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        QCOMPARE(QProcess::execute(MKMAPSDB, {DEMO_LEVELS, db}), 1);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }

    void incompleteListLeavesNoTable()
    {
        QTemporaryDir dir;
        QStringList lines = readLines(DEMO_LEVELS);
        lines.removeLast();
        writeLines(dir.filePath("short.txt"), lines);
        QCOMPARE(QProcess::execute(MKMAPSDB, {dir.filePath("short.txt"), dir.filePath("maps.DB")}), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"short.txt"});
    }
};

QTEST_GUILESS_MAIN(LevelListTest)
#include "levelListTest.moc"
