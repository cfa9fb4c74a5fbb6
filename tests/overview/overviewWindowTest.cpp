#include "catalogue/LevelTable.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/dataaware/DBNavigator.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

using namespace tolvex;

namespace {

// In key order: the two long names differ only in their 15th character.
std::vector<QStringList> catalogue()
{
    QStringList described = levelRecord(QStringLiteral("q2dm2"), QStringLiteral("Tokay's Towers"));
    described[5] = QStringLiteral("Towers and a lava pit");
    return {
        levelRecord(QStringLiteral("q2dm8"), QStringLiteral("Lost Hallways")),
        levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge")),
        described,
        levelRecord(QStringLiteral("q2ctf1"), QStringLiteral("McKinley Revival"), QStringLiteral("CTF"), QStringLiteral("4"),
                    QStringLiteral("16")),
        levelRecord(QStringLiteral("abcdefghijklmnp"), QStringLiteral("Second long")),
        levelRecord(QStringLiteral("abcdefghijklmno"), QStringLiteral("First long")),
    };
}

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

void clickNavigator(const char* button)
{
    click(Form2->DBNavigator1->findChild<QWidget*>(QLatin1String(button)));
}

// Replaces the search text the way a user does: select all, delete, type.
void typeSearch(const QString& text)
{
    QTest::keyClick(Form1->Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Form1->Edit1, Qt::Key_Backspace);
    QTest::keyClicks(Form1->Edit1, text);
}

void clickRow(int row)
{
    const QRect cell = Form1->DBGrid1->visualRect(Form1->DBGrid1->model()->index(row, 1));
    QTest::mouseClick(Form1->DBGrid1->viewport(), Qt::LeftButton, {}, cell.center());
}

QString cell(int row, int column)
{
    const QAbstractItemModel* model = Form1->DBGrid1->model();
    return model->data(model->index(row, column)).toString();
}

// The main window starts editing the current level's name.
void editLevelName(const QString& appended, bool clearFirst = false)
{
    Form1->Table1->edit();
    Form2->DBEdit2->setFocus();
    if (clearFirst) {
        QTest::keyClick(Form2->DBEdit2, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(Form2->DBEdit2, Qt::Key_Backspace);
    }
    QTest::keyClick(Form2->DBEdit2, Qt::Key_End);
    QTest::keyClicks(Form2->DBEdit2, appended);
}

} // namespace

class OverviewWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;

    void start()
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue(catalogue());
        m_folder->writeKonfig("[Other]\r\nsprache=deutsch\r\n");
        m_folder->start();
    }

    [[nodiscard]] QStringList errors() const { return m_folder->dialogs().messages(ScriptedDialogs::Kind::Error); }

private Q_SLOTS:
    void cleanup() { m_folder.reset(); }

    void typingMovesToTheNearestFileName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");
        QTest::newRow("empty text: first record") << QString() << QStringLiteral("abcdefghijklmno");
        QTest::newRow("after every name: last record") << QStringLiteral("zzz") << QStringLiteral("q2dm8");
        QTest::newRow("exact name") << QStringLiteral("q2dm2") << QStringLiteral("q2dm2");
        QTest::newRow("start of a name") << QStringLiteral("q2dm") << QStringLiteral("q2dm1");
        QTest::newRow("between two names") << QStringLiteral("q2dm3") << QStringLiteral("q2dm8");
        QTest::newRow("20 characters count as their first 15")
            << QStringLiteral("abcdefghijklmnoZZZZZ") << QStringLiteral("abcdefghijklmno");
    }

    void typingMovesToTheNearestFileName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, found);
        start();
        click(Form2->SpeedButton6);
        clickNavigator("last");
        typeSearch(typed);

        QCOMPARE(Form1->Edit1->text(), typed);
        QCOMPARE(Form1->Table1->text(0), found);
        QCOMPARE(Form2->DBEdit1->text(), found);
        QCOMPARE(cell(Form1->DBGrid1->currentIndex().row(), 0), found);
        QVERIFY(errors().isEmpty());
    }

    void clickingARowKeepsItsRecordAndPutsItsNameIntoTheSearch()
    {
        start();
        click(Form2->SpeedButton6);
        // A column dragged elsewhere changes only the view, not which field is the name.
        Form1->DBGrid1->horizontalHeader()->moveSection(0, 4);
        clickRow(4);
        QCOMPARE(Form1->Table1->recNo(), 5);
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("q2dm2"));
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("q2dm2"));
        clickRow(0);
        QCOMPARE(Form1->Table1->recNo(), 1);
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("abcdefghijklmno"));
        QCOMPARE(Form1->Table1->field(0).name, "Datei");
    }

    void showingPutsTheCurrentNameIntoTheSearch()
    {
        start();
        clickNavigator("last");
        click(Form2->SpeedButton6);
        QVERIFY(Form1->isVisible());
        QVERIFY(Form2->SpeedButton6->isDown());
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("q2dm8"));
        QCOMPARE(Form1->Table1->recNo(), 6);
        QCOMPARE(Form1->focusWidget(), Form1->Edit1);
    }

    void showingWithTheCurrentNameAlreadyThereRunsNoSearch()
    {
        start();
        click(Form2->SpeedButton6);
        click(Form2->SpeedButton6);
        QVERIFY(!Form1->isVisible());
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("abcdefghijklmno"));

        // A search would finish the main window's edit; showing must leave it pending.
        editLevelName(QStringLiteral(" II"));
        click(Form2->SpeedButton6);
        QCOMPARE(Form1->Table1->state(), Dataset::State::Edit);
        QCOMPARE(Form2->DBEdit2->text(), QStringLiteral("First long II"));
    }

    void typingStoresTheMainWindowsChangedRecordFirst()
    {
        start();
        click(Form2->SpeedButton6);
        editLevelName(QStringLiteral(" II"));
        typeSearch(QStringLiteral("q2dm1"));
        QCOMPARE(Form1->Table1->state(), Dataset::State::Browse);
        QCOMPARE(Form1->Table1->text(0), QStringLiteral("q2dm1"));
        QCOMPARE(cell(0, 1), QStringLiteral("First long II"));

        m_folder->stop();
        LevelTable reopened;
        reopened.setFileName(m_folder->path(QStringLiteral("maps.DB")));
        reopened.open();
        QCOMPARE(reopened.text(1), QStringLiteral("First long II"));
    }

    void typingStoresTheMainWindowsNewRecordFirst()
    {
        start();
        click(Form2->SpeedButton6);
        clickNavigator("insert");
        QTest::keyClicks(Form2->DBEdit1, QStringLiteral("q2dm5"));
        QTest::keyClicks(Form2->DBEdit2, QStringLiteral("New Level"));
        typeSearch(QStringLiteral("q2dm5"));
        QCOMPARE(Form1->Table1->state(), Dataset::State::Browse);
        QCOMPARE(Form1->Table1->recordCount(), 7);
        QCOMPARE(Form1->Table1->text(0), QStringLiteral("q2dm5"));
        QCOMPARE(Form1->Table1->text(1), QStringLiteral("New Level"));
        QCOMPARE(cell(Form1->DBGrid1->currentIndex().row(), 0), QStringLiteral("q2dm5"));
    }

    void aSearchRefusedForAnEmptyLevelKeepsCursorAndText()
    {
        start();
        click(Form2->SpeedButton6);
        clickNavigator("next");
        editLevelName(QString(), true);
        QTest::keyClicks(Form1->Edit1, QStringLiteral("q"));

        QCOMPARE(errors(), QStringList{QStringLiteral("Feld 'Level' muß einen Wert haben.")});
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("abcdefghijklmnoq"));
        QCOMPARE(Form1->Table1->recNo(), 2);
        QCOMPARE(Form1->Table1->state(), Dataset::State::Edit);
        QVERIFY(Form1->isVisible());
    }

    void aRowClickRefusedForAnEmptyLevelKeepsCursorAndText()
    {
        start();
        click(Form2->SpeedButton6);
        editLevelName(QString(), true);
        clickRow(3);
        QCOMPARE(errors(), QStringList{QStringLiteral("Feld 'Level' muß einen Wert haben.")});
        QCOMPARE(Form1->Table1->recNo(), 1);
        QCOMPARE(Form1->DBGrid1->currentIndex().row(), 0);
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("abcdefghijklmno"));
    }

    void aClosedTableReportsEverySearch()
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue(catalogue());
        m_folder->writeKonfig("");
        LevelTable other; // another copy of the program holds the table
        other.setFileName(m_folder->path(QStringLiteral("maps.DB")));
        other.open();
        m_folder->start();
        m_folder->dialogs().clear();

        click(Form2->SpeedButton6);
        QVERIFY(Form1->isVisible());
        QVERIFY(Form2->SpeedButton6->isDown());
        QCOMPARE(Form1->DBGrid1->model()->rowCount(), 0);
        m_folder->dialogs().clear();
        QTest::keyClicks(Form1->Edit1, QStringLiteral("q"));
        QCOMPARE(errors(), QStringList{QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar.")});
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("q"));
        click(Form1->SpeedButton2);
        QVERIFY(!Form2->SpeedButton6->isDown());
    }

    void closingReleasesTheToggle_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("close box") << true;
        QTest::newRow("SpeedButton2") << false;
    }

    void closingReleasesTheToggle()
    {
        QFETCH(bool, byCloseBox);
        start();
        click(Form2->SpeedButton6);
        QVERIFY(Form2->SpeedButton6->isDown());
        if (byCloseBox)
            Form1->close();
        else
            click(Form1->SpeedButton2);
        QVERIFY(!Form1->isVisible());
        QVERIFY(!Form2->SpeedButton6->isDown());
        click(Form2->SpeedButton6);
        QVERIFY(Form1->isVisible());
        QVERIFY(Form2->SpeedButton6->isDown());
    }

    void gridFollowsTheMainWindowsNavigator()
    {
        start();
        click(Form2->SpeedButton6);
        const auto selectedRow = [] {
            const QModelIndexList rows = Form1->DBGrid1->selectionModel()->selectedRows();
            return rows.size() == 1 ? rows.front().row() : -1;
        };
        QCOMPARE(selectedRow(), 0);
        clickNavigator("next");
        QCOMPARE(selectedRow(), 1);
        clickNavigator("last");
        QCOMPARE(selectedRow(), 5);
        clickNavigator("prior");
        QCOMPARE(selectedRow(), 4);
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("abcdefghijklmno")); // the search field is not the cursor
    }

    void cellsShowTheTextFormsUnderTheFieldNames()
    {
        start();
        const QAbstractItemModel* model = Form1->DBGrid1->model();
        QStringList titles;
        for (int column = 0; column < model->columnCount(); ++column)
            titles << model->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{QStringLiteral("Datei"), QStringLiteral("Level"), QStringLiteral("Typ"),
                                      QStringLiteral("Min Player"), QStringLiteral("Max Player"),
                                      QStringLiteral("Beschreibung"), QStringLiteral("Quad"), QStringLiteral("Invul"),
                                      QStringLiteral("GL"), QStringLiteral("RL"), QStringLiteral("HB"),
                                      QStringLiteral("RG"), QStringLiteral("BFG"), QStringLiteral("Zuletzt gespielt"),
                                      QStringLiteral("Gespielt")}));
        QCOMPARE(model->rowCount(), 6);

        QStringList ctf;
        QStringList described;
        for (int column = 0; column < 13; ++column) {
            ctf << cell(2, column);
            described << cell(4, column);
        }
        QCOMPARE(ctf, (QStringList{QStringLiteral("q2ctf1"), QStringLiteral("McKinley Revival"), QStringLiteral("CTF"),
                                   QStringLiteral("4"), QStringLiteral("16"), QStringLiteral("(Memo)"),
                                   QStringLiteral("Falsch"), QStringLiteral("Falsch"), QStringLiteral("Wahr"),
                                   QStringLiteral("Wahr"), QString(), QString(), QString()}));
        QCOMPARE(described.mid(0, 6), (QStringList{QStringLiteral("q2dm2"), QStringLiteral("Tokay's Towers"),
                                                   QStringLiteral("DM"), QStringLiteral("2"), QStringLiteral("8"),
                                                   QStringLiteral("(MEMO)")}));
    }

    void clickIntoTheSearchSelectsAllOfIt()
    {
        start();
        click(Form2->SpeedButton6);
        Form1->Edit1->deselect();
        QTest::mouseClick(Form1->Edit1, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(Form1->Edit1->selectedText(), QStringLiteral("abcdefghijklmno"));
        QTest::keyClicks(Form1->Edit1, QStringLiteral("q2c"));
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("q2c"));
        QCOMPARE(Form1->Table1->text(0), QStringLiteral("q2ctf1"));
    }

    void windowIsASizeableToolWindowCentredOnTheScreen()
    {
        start();
        QCOMPARE(Form1->windowTitle(), QStringLiteral("Levelübersicht"));
        QVERIFY(Form1->windowFlags().testFlag(Qt::Tool));
        QVERIFY(Form1->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(Form1->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(Form1->minimumSize() != Form1->maximumSize());

        click(Form2->SpeedButton6);
        const QRect outer = outerGeometry(Form1);
        QCOMPARE(outer.size(), QSize(392, 309));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(outer.topLeft(), QPoint(qMax(0, (screen.width() - 392) / 2), qMax(0, (screen.height() - 309) / 2)));

        QCOMPARE(Form1->Edit1->toolTip(), QStringLiteral("Suchschlüssel"));
        QCOMPARE(Form1->SpeedButton1->hint(), QStringLiteral("Levelübersicht drucken"));
        QCOMPARE(Form1->SpeedButton3->hint(), QStringLiteral("Levelliste exportieren"));
        QCOMPARE(Form1->SpeedButton4->hint(), QStringLiteral("Leveldaten importieren"));
        QCOMPARE(Form1->SpeedButton2->hint(), QStringLiteral("Levelübersicht schließen"));
        QCOMPARE(Form1->Edit1->geometry(), QRect(8, 8, 117, 21));
        QCOMPARE(Form1->Edit1->maxLength(), 32767);
    }

    void resizingKeepsTheButtonsAtTheRightEdge()
    {
        start();
        click(Form2->SpeedButton6);
        const auto distances = [] {
            QList<int> fromRight;
            for (const SpeedButton* b : {Form1->SpeedButton1, Form1->SpeedButton3, Form1->SpeedButton4, Form1->SpeedButton2})
                fromRight << Form1->width() - b->mapTo(Form1, QPoint(0, 0)).x();
            return fromRight;
        };
        const QList<int> before = distances();
        // Their design distances in the design client area, 384 pixels wide.
        QCOMPARE(before, (QList<int>{384 - 268, 384 - 296, 384 - 324, 384 - 352}));
        Form1->resize(Form1->width() + 150, Form1->height() + 80);
        QCOMPARE(distances(), before);
        QCOMPARE(Form1->DBGrid1->geometry().bottomRight(), Form1->rect().bottomRight());
        QCOMPARE(Form1->Edit1->geometry(), QRect(8, 8, 117, 21));
    }

    void gridIsReadOnlyAndSelectsWholeRows()
    {
        start();
        click(Form2->SpeedButton6);
        DBGrid* grid = Form1->DBGrid1;
        QVERIFY(grid->verticalHeader()->isHidden());
        QVERIFY(grid->horizontalHeader()->isVisible());
        QVERIFY(grid->horizontalHeader()->sectionsMovable());
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);

        clickRow(2);
        QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 15); // the fields and the two history columns
        // Neither typing, double-clicking nor the Delete key changes a record.
        const QRect cellRect = grid->visualRect(grid->model()->index(2, 1));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellRect.center());
        QTest::keyClicks(grid, QStringLiteral("xyz"));
        QTest::keyClick(grid, Qt::Key_F2);
        QTest::keyClick(grid, Qt::Key_Delete);
        QTest::keyClick(grid, Qt::Key_Insert);
        QCOMPARE(Form1->Table1->state(), Dataset::State::Browse);
        QCOMPARE(Form1->Table1->recordCount(), 6);
        QCOMPARE(cell(2, 1), QStringLiteral("McKinley Revival"));
        QVERIFY(!(grid->model()->flags(grid->model()->index(2, 1)) & Qt::ItemIsEditable));
    }
};

QTEST_MAIN(OverviewWindowTest)
#include "overviewWindowTest.moc"
