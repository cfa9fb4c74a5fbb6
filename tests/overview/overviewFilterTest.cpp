#include "catalogue/LevelTable.h"
#include "catalogue/PlayHistory.h"
#include "lang/translate.h"
#include "overview/FilterPanel.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/design/SpeedButton.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestCatalogue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>

using namespace tolvex;

namespace {

// Six levels, three with a railgun; only the CTF ones suit 12 players.
std::vector<QStringList> catalogue()
{
    std::vector<QStringList> records;
    const auto add = [&records](const char* datei, const char* level, const char* typ, const char* max, bool railgun) {
        QStringList r = levelRecord(QLatin1String(datei), QString::fromUtf8(level), QLatin1String(typ), QStringLiteral("2"), QLatin1String(max));
        r[Field::RG] = railgun ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
        records.push_back(r);
    };
    add("q2dm1", "The Edge", "DM", "8", true);
    add("q2dm2", "Tokay's Towers", "DM", "8", false);
    add("q2dm3", "The Frag Pipe", "DM", "8", true);
    add("q2ctf1", "McKinley Revival", "CTF", "16", true);
    add("q2ctf2", "Château Rouge", "CTF", "16", false);
    add("base1", "Outer Base", "DM", "4", false);
    return records;
}

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

void typeFilter(const QString& text)
{
    Form1->Panel2->FilterText->setFocus();
    QTest::keyClick(Form1->Panel2->FilterText, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Form1->Panel2->FilterText, Qt::Key_Backspace);
    QTest::keyClicks(Form1->Panel2->FilterText, text);
}

QStringList gridNames()
{
    QStringList names;
    const QAbstractItemModel* model = Form1->DBGrid1->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->data(model->index(row, Field::Datei)).toString();
    return names;
}

QString gridCell(int row, int column)
{
    const QAbstractItemModel* model = Form1->DBGrid1->model();
    return model->data(model->index(row, column)).toString();
}

QStringList lines(const QByteArray& bytes)
{
    QStringList result = QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts);
    return result;
}

} // namespace

class OverviewFilterTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;

    void start(const QByteArray& konfig = "[Other]\r\nsprache=deutsch\r\n")
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue(catalogue());
        m_folder->writeKonfig(konfig);
        m_folder->start();
    }

    // A stand-in game that notes each start on a line of its own.
    void startWithGame(const char* extraSql = nullptr)
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue(catalogue());
        if (extraSql)
            QVERIFY(runSql(m_folder->path(QStringLiteral("maps.DB")), extraSql));
        m_folder->writeFile(QStringLiteral("game/quake2"), "#!/bin/sh\necho \"$2\" >> starts.txt\n");
        ::chmod(QFile::encodeName(m_folder->path(QStringLiteral("game/quake2"))).constData(), 0755);
        m_folder->writeKonfig("[Verzeichnisse]\r\nquake=" + m_folder->path(QStringLiteral("game/quake2")).toUtf8() + "\r\n");
        m_folder->start();
        QDateTime now = QDateTime::fromString(QStringLiteral("2026-12-08T21:15:00"), Qt::ISODate);
        now.setTimeSpec(Qt::UTC);
        Form2->setClock([now] { return now; });
    }

    [[nodiscard]] QStringList starts() const
    {
        const QString file = m_folder->path(QStringLiteral("game/starts.txt"));
        return QFile::exists(file) ? lines(m_folder->readFile(QStringLiteral("game/starts.txt"))) : QStringList();
    }

    [[nodiscard]] ScriptedDialogs& dialogs() const { return m_folder->dialogs(); }

private Q_SLOTS:
    void cleanup()
    {
        m_folder.reset();
        ApplyGerman();
    }

    void everyControlNarrowsTheOneTableTheWindowsShare()
    {
        start();
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/6"));
        typeFilter(QStringLiteral("the"));
        QCOMPARE(gridNames(), (QStringList{"q2dm1", "q2dm3"}));
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/2 (Filter)"));
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("q2dm1"));

        // Accents and case are ignored: "chateau" finds "Château".
        typeFilter(QStringLiteral("CHATEAU"));
        QCOMPARE(gridNames(), QStringList{"q2ctf2"});
        typeFilter(QString());
        Form1->Panel2->FilterType->setCurrentIndex(2);
        QCOMPARE(gridNames(), (QStringList{"q2ctf1", "q2ctf2"}));
        Form1->Panel2->FilterType->setCurrentIndex(0);
        QTest::keyClicks(Form1->Panel2->FilterPlayers, QStringLiteral("6"));
        click(Form1->Panel2->FilterItems[Field::RG - Field::Quad]);
        QCOMPARE(gridNames(), (QStringList{"q2ctf1", "q2dm1", "q2dm3"}));
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 2/3 (Filter)"));
        ApplyEnglish();
        Form1->Table1->first();
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Record: 1/3 (filter)"));

        click(Form1->Panel2->FilterClear);
        QCOMPARE(Form1->Panel2->FilterPlayers->text(), QString());
        QVERIFY(!Form1->Panel2->FilterItems[Field::RG - Field::Quad]->isChecked());
        QVERIFY(!Form1->Table1->isFiltered());
        QCOMPARE(gridNames().size(), 6);
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Record: 2/6"));
    }

    void searchAndRandomLevelStayInsideTheFilter()
    {
        start();
        Form1->show();
        click(Form1->Panel2->FilterItems[Field::RG - Field::Quad]);
        // The search by file name finds the nearest record the filter shows.
        QTest::keyClick(Form1->Edit1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Form1->Edit1, QStringLiteral("q2dm2"));
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("q2dm3"));
        Form2->seedRandomLevel(3);
        for (int draw = 0; draw < 30; ++draw) {
            click(Form2->SpeedButton9);
            QVERIFY2(QStringList({"q2ctf1", "q2dm1", "q2dm3"}).contains(Form2->DBEdit1->text()), qPrintable(Form2->DBEdit1->text()));
        }
    }

    void printAndExportTakeOnlyTheMatchingRecords()
    {
        start();
        Form1->Panel2->FilterType->setCurrentIndex(2);
        const QString list = m_folder->path(QStringLiteral("ctf.txt"));
        dialogs().setNextSaveFile(list);
        click(Form1->SpeedButton3);
        const QStringList exported = lines(m_folder->readFile(QStringLiteral("ctf.txt")));
        QCOMPARE(exported.size(), 2 * kFieldCount);
        QCOMPARE(exported[0].trimmed(), QStringLiteral("q2ctf1"));
        QCOMPARE(exported[kFieldCount].trimmed(), QStringLiteral("q2ctf2"));

        const QString pdf = m_folder->path(QStringLiteral("survey.pdf"));
        dialogs().setNextPrint(pdf);
        click(Form1->SpeedButton1);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        QStringList printed = QString::fromUtf8(text.readAllStandardOutput()).split(u'\n');
        printed.removeIf([](const QString& line) { return line.trimmed().isEmpty(); });
        QCOMPARE(printed.size(), 3); // the heading and two levels
        QVERIFY(printed[2].contains(QStringLiteral("q2ctf2")));
    }

    void theFilterComesBackAtTheNextStart()
    {
        start();
        typeFilter(QStringLiteral("tower"));
        click(Form1->Panel2->FilterNeverPlayed);
        Form2->close();
        const QByteArray konfig = m_folder->readFile(QStringLiteral("konfig.ini"));
        QVERIFY2(konfig.contains("[Filter]\r\ntext=tower\r\n"), konfig.constData());
        m_folder->stop();
        m_folder->start();
        QCOMPARE(Form1->Panel2->FilterText->text(), QStringLiteral("tower"));
        QVERIFY(Form1->Panel2->FilterNeverPlayed->isChecked());
        QCOMPARE(gridNames(), QStringList{"q2dm2"});
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/1 (Filter)"));
    }

    void everyStartIsRecordedAndShownInTheLastColumns()
    {
        startWithGame();
        click(Form1->Panel2->FilterNeverPlayed);
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("base1"));
        click(Form2->SpeedButton5);
        QTRY_COMPARE(starts(), QStringList{"base1"});
        const int columns = Form1->DBGrid1->model()->columnCount();
        QCOMPARE(Form1->DBGrid1->model()->headerData(columns - 2, Qt::Horizontal).toString(), QStringLiteral("Zuletzt gespielt"));
        QCOMPARE(Form1->DBGrid1->model()->headerData(columns - 1, Qt::Horizontal).toString(), QStringLiteral("Gespielt"));
        QCOMPARE(gridCell(0, columns - 2), QLocale().toString(QDate(2026, 12, 8), QLocale::ShortFormat));
        QCOMPARE(gridCell(0, columns - 1), QStringLiteral("1"));
        // Played now, it stays in sight under "never played" until the cursor leaves it.
        QCOMPARE(Form1->Table1->recordCount(), 6);
        Form1->Table1->next();
        QCOMPARE(Form1->Table1->recordCount(), 5);
        QVERIFY(!gridNames().contains(QStringLiteral("base1")));
        QVERIFY(dialogs().messages(ScriptedDialogs::Kind::Info).isEmpty());
        m_folder->stop();
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_folder->path(QStringLiteral("maps.DB"))).constData(), &db), SQLITE_OK);
        sqlite3_stmt* row = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, "SELECT \"Datei\" || '|' || \"Zeit\" FROM plays", -1, &row, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_step(row), SQLITE_ROW);
        QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(row, 0))), QStringLiteral("base1|2026-12-08 21:15:00"));
        sqlite3_finalize(row);
        sqlite3_close(db);
    }

    void aRefusedHistoryStillStartsTheGameAndSaysWhyOnce()
    {
        startWithGame("CREATE TABLE plays (\"Datei\" TEXT, \"Zeit\" TEXT);"
                      "CREATE TRIGGER spy AFTER INSERT ON plays BEGIN DELETE FROM maps; END;");
        click(Form2->SpeedButton5);
        click(Form2->SpeedButton5);
        QTRY_COMPARE(starts(), (QStringList{"base1", "base1"}));
        const QStringList infos = dialogs().messages(ScriptedDialogs::Kind::Info);
        QCOMPARE(infos.size(), 1);
        QVERIFY2(infos[0].contains(QStringLiteral("nicht in maps.DB vermerkt")) && infos[0].contains(QStringLiteral("spy")),
                 qPrintable(infos[0]));
        QCOMPARE(Form1->Table1->recordCount(), 6);
    }
};

QTEST_MAIN(OverviewFilterTest)
#include "overviewFilterTest.moc"
