#include "MemoryDataset.h"

#include "platform/dataaware/DBGrid.h"
#include "platform/dataaware/DBGridModel.h"
#include "platform/dataaware/Dataset.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/support/ScriptedDialogs.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tolvex;
using tolvex::test::MemoryDataset;

class DBGridTest : public QObject {
    Q_OBJECT

    ScriptedDialogs* m_dialogs = nullptr;
    MemoryDataset* m_data = nullptr;
    DataSource* m_source = nullptr;
    DBGrid* m_grid = nullptr;

    [[nodiscard]] QString cell(int row, int column) const
    {
        return m_grid->model()->index(row, column).data().toString();
    }
    [[nodiscard]] QList<int> selectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex& index : m_grid->selectionModel()->selectedRows())
            rows << index.row();
        return rows;
    }
    void clickCell(int row, int column)
    {
        const QRect rect = m_grid->visualRect(m_grid->model()->index(row, column));
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, rect.center());
    }

private Q_SLOTS:
    void init()
    {
        m_dialogs = new ScriptedDialogs;
        Dialogs::install(std::unique_ptr<Dialogs>(m_dialogs));
        m_data = new MemoryDataset(this);
        m_data->load(test::sampleLevels());
        m_source = new DataSource(this);
        m_source->setDataSet(m_data);
        m_grid = new DBGrid;
        m_grid->bind(m_source);
        m_grid->resize(392, 276);
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid));
    }
    void cleanup()
    {
        delete m_grid;
        delete m_source;
        delete m_data;
    }

    void columnsAreTheFieldsTitledWithTheirNames()
    {
        QCOMPARE(m_grid->model()->columnCount(), kFieldCount);
        for (int pos = 0; pos < kFieldCount; ++pos)
            QCOMPARE(m_grid->model()->headerData(pos, Qt::Horizontal).toString(), QString::fromUtf8(kLevelFields[pos].name));
        QVERIFY(!m_grid->verticalHeader()->isVisible());
        QVERIFY(m_grid->horizontalHeader()->sectionsMovable());
    }

    void cellsShowTheTextForms_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("shown");
        QTest::newRow("file name") << 0 << int(Field::Datei) << "ctf1";
        QTest::newRow("number") << 1 << int(Field::MinPlayer) << "2";
        QTest::newRow("empty number") << 2 << int(Field::MaxPlayer) << "";
        QTest::newRow("flag set") << 1 << int(Field::Quad) << "Wahr";
        QTest::newRow("flag cleared") << 1 << int(Field::Invul) << "Falsch";
        QTest::newRow("flag empty") << 0 << int(Field::Quad) << "";
        QTest::newRow("memo with text") << 1 << int(Field::Beschreibung) << "(MEMO)";
        QTest::newRow("memo without text") << 0 << int(Field::Beschreibung) << "(Memo)";
    }
    void cellsShowTheTextForms()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, shown);
        QCOMPARE(cell(row, column), shown);
        QVERIFY(!(m_grid->model()->flags(m_grid->model()->index(row, column)) & Qt::ItemIsEditable));
    }

    void selectionFollowsTheDataset()
    {
        QCOMPARE(selectedRows(), QList<int>{0});
        m_data->last();
        QCOMPARE(selectedRows(), QList<int>{2});
        QCOMPARE(m_grid->currentIndex().row(), 2);
        m_data->insert();
        QCOMPARE(selectedRows(), QList<int>{});
        m_data->cancel();
        QCOMPARE(selectedRows(), QList<int>{2});
    }

    void clickingARowMovesTheDatasetThenReportsTheClick()
    {
        QSignalSpy clicked(m_grid, &DBGrid::cellClicked);
        int recNoWhenClicked = 0;
        connect(m_grid, &DBGrid::cellClicked, this, [&] { recNoWhenClicked = m_data->recNo(); });
        clickCell(2, 1);
        QCOMPARE(m_data->recNo(), 3);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(recNoWhenClicked, 3);
        QCOMPARE(selectedRows(), QList<int>{2});
        clickCell(2, 4);
        QCOMPARE(clicked.count(), 2);
    }

    void clickingAColumnTitleMovesNothing()
    {
        QSignalSpy clicked(m_grid, &DBGrid::cellClicked);
        m_data->next();
        QHeaderView* header = m_grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(m_data->recNo(), 2);
        QCOMPARE(selectedRows(), QList<int>{1});
    }

    void keyboardMovesTheDataset()
    {
        m_grid->setFocus();
        QTest::keyClick(m_grid, Qt::Key_Down);
        QCOMPARE(m_data->recNo(), 2);
        QTest::keyClick(m_grid, Qt::Key_Tab);
        QCOMPARE(m_data->recNo(), 2);
        QCOMPARE(m_grid->currentIndex().column(), 1);
        m_data->prior();
        QCOMPARE(m_grid->currentIndex(), m_grid->model()->index(0, 1));
        QTest::keyClick(m_grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(m_data->recNo(), 3);
    }

    void refusedMoveKeepsTheRowAndReportsNoClick()
    {
        QSignalSpy clicked(m_grid, &DBGrid::cellClicked);
        m_data->edit();
        m_data->setText(Field::Level, QString());
        clickCell(2, 0);
        QCOMPARE(m_dialogs->messages(ScriptedDialogs::Kind::Error),
                 QStringList{QStringLiteral("Feld 'Level' muß einen Wert haben.")});
        QCOMPARE(m_data->state(), Dataset::State::Edit);
        QCOMPARE(m_data->recNo(), 1);
        QCOMPARE(selectedRows(), QList<int>{0});
        QCOMPARE(clicked.count(), 0);
    }

    void postedAndDeletedRecordsChangeTheRows()
    {
        m_data->insert();
        m_data->setText(Field::Datei, QStringLiteral("base1"));
        m_data->setText(Field::Level, QStringLiteral("Outpost"));
        m_data->post();
        QCOMPARE(m_grid->model()->rowCount(), 4);
        QCOMPARE(cell(0, 0), QStringLiteral("base1"));
        QCOMPARE(selectedRows(), QList<int>{0});
        m_data->last();
        m_data->remove();
        QCOMPARE(m_grid->model()->rowCount(), 3);
        QCOMPARE(selectedRows(), QList<int>{2});
        QCOMPARE(cell(2, 0), QStringLiteral("dm1"));
    }

    void shrinkingTableDoesNotMoveTheDataset()
    {
        m_data->generate(10);
        m_data->moveTo(9);
        m_data->generate(5);
        QCOMPARE(m_data->recNo(), 1);
        QCOMPARE(selectedRows(), QList<int>{0});
    }

    void theEditedRecordShowsItsValuesAsTheyStand()
    {
        m_data->edit(); // ctf1, first row
        QSignalSpy repainted(m_grid->model(), &QAbstractItemModel::dataChanged);
        m_data->setValue(int(Field::Typ), QStringLiteral("DM"));
        m_data->setValue(int(Field::Quad), true);
        QCOMPARE(repainted.count(), 2);
        QCOMPARE(QStringList({cell(0, int(Field::Typ)), cell(0, int(Field::Quad))}), QStringList({"DM", "Wahr"}));
        m_data->cancel();
        QCOMPARE(QStringList({cell(0, int(Field::Typ)), cell(0, int(Field::Quad))}), QStringList({"CTF", ""}));
    }

    void closedDatasetShowsNoRows()
    {
        m_data->close();
        QCOMPARE(m_grid->model()->rowCount(), 0);
        QCOMPARE(m_grid->model()->columnCount(), 0);
    }

    void largeTableReadsOnlyTheRowsShown()
    {
        m_data->generate(100000);
        QCOMPARE(m_grid->model()->rowCount(), 100000);
        m_data->resetTextAtCalls();
        m_data->last();
        m_grid->viewport()->repaint();
        QCOMPARE(selectedRows(), QList<int>{99999});
        QCOMPARE(cell(99999, 0), QStringLiteral("q099999"));
        const int visibleRows = m_grid->viewport()->height() / m_grid->rowHeight(0) + 2;
        QVERIFY(m_data->textAtCalls() > 0);
        QVERIFY2(m_data->textAtCalls() <= 4 * visibleRows * kFieldCount, qPrintable(QString::number(m_data->textAtCalls())));

        m_data->resetTextAtCalls();
        m_grid->setFocus();
        QTest::keyClick(m_grid, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClicks(m_grid, "q05");
        m_grid->viewport()->repaint();
        QCOMPARE(m_data->recNo(), 1);
        QVERIFY2(m_data->textAtCalls() <= 4 * visibleRows * kFieldCount, qPrintable(QString::number(m_data->textAtCalls())));
    }
};

QTEST_MAIN(DBGridTest)
#include "dbGridTest.moc"
