#include "MemoryDataset.h"

#include "platform/dataaware/DBCheckBox.h"
#include "platform/dataaware/DBMemo.h"
#include "platform/dataaware/DBRadioGroup.h"
#include "platform/dataaware/Dataset.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/support/ScriptedDialogs.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

using namespace tolvex;
using tolvex::test::MemoryDataset;

// The memo, the check box and the radio group, each on the sample levels
// (ctf1, dm1, q2dm3 in key order).
class DBFieldControlsTest : public QObject {
    Q_OBJECT

    MemoryDataset* m_data = nullptr;
    DataSource* m_source = nullptr;
    ScriptedDialogs* m_dialogs = nullptr;

    void moveTo(int recNo) { m_data->moveTo(recNo); }

private Q_SLOTS:
    void init()
    {
        m_dialogs = new ScriptedDialogs;
        Dialogs::install(std::unique_ptr<Dialogs>(m_dialogs));
        m_data = new MemoryDataset(this);
        m_data->load(test::sampleLevels());
        m_source = new DataSource(this);
        m_source->setDataSet(m_data);
    }
    void cleanup()
    {
        delete m_source;
        delete m_data;
    }

    void memoShowsStoredLineBreaksAsLines()
    {
        DBMemo memo;
        memo.bind(m_source, QStringLiteral("Beschreibung"));
        QCOMPARE(memo.toPlainText(), QString());
        moveTo(2);
        QCOMPARE(memo.toPlainText(), QStringLiteral("Zeile eins\nZeile zwei"));
        QCOMPARE(memo.blockCount(), 2);
        QVERIFY(memo.isReadOnly());
    }

    void memoWritesLinesBackAsCrLf()
    {
        DBMemo memo;
        memo.bind(m_source, QStringLiteral("Beschreibung"));
        moveTo(2);
        m_data->edit();
        memo.moveCursor(QTextCursor::End);
        QTest::keyClick(&memo, Qt::Key_Return);
        QTest::keyClicks(&memo, "drei");
        QVERIFY(memo.isModified());
        m_data->post();
        QCOMPARE(m_data->storedText(1, Field::Beschreibung), QStringLiteral("Zeile eins\r\nZeile zwei\r\ndrei"));
        QVERIFY(!memo.isModified());
    }

    void memoTypedAndTakenBackKeepsTheStoredBytes()
    {
        m_data->load({{"dm1", "The Edge", "DM", "", "", "eins\rzwei\ndrei\r\n", "", "", "", "", "", "", ""}});
        DBMemo memo;
        memo.bind(m_source, QStringLiteral("Beschreibung"));
        m_data->edit();
        memo.moveCursor(QTextCursor::End);
        QTest::keyClick(&memo, Qt::Key_X);
        QTest::keyClick(&memo, Qt::Key_Backspace);
        QVERIFY(memo.isModified());
        m_data->post();
        QCOMPARE(m_data->storedText(0, Field::Beschreibung), QStringLiteral("eins\rzwei\ndrei\r\n"));
    }

    void memoTakesNoInputWhileBrowsingAndEscapeRestores()
    {
        DBMemo memo;
        memo.bind(m_source, QStringLiteral("Beschreibung"));
        moveTo(2);
        QTest::keyClicks(&memo, "xyz");
        QCOMPARE(memo.toPlainText(), QStringLiteral("Zeile eins\nZeile zwei"));

        m_data->edit();
        QTest::keyClicks(&memo, "xyz");
        QVERIFY(memo.toPlainText().contains(u'x'));
        QTest::keyClick(&memo, Qt::Key_Escape);
        QCOMPARE(memo.toPlainText(), QStringLiteral("Zeile eins\nZeile zwei"));
        QVERIFY(!memo.isModified());

        // An untouched memo writes nothing, so the move drops the edit.
        m_data->next();
        QCOMPARE(m_data->state(), Dataset::State::Browse);
        QCOMPARE(m_data->recNo(), 3);
    }

    void memoHoldsAVeryLongLineAsOneLine()
    {
        // As another tool may store it: one line of 300,000 characters, then a short one.
        QString longLine;
        for (int i = 0; longLine.size() < 300'000; ++i)
            longLine += QStringLiteral("wort%1 ").arg(i);
        const QString stored = longLine + QStringLiteral("\r\nZweite Zeile");
        m_data->load({{"long", "Lang", "DM", "", "", stored, "", "", "", "", "", "", ""}, test::sampleLevels().front()});
        DBMemo memo;
        memo.bind(m_source, QStringLiteral("Beschreibung"));
        moveTo(2);
        QCOMPARE(memo.fieldText(), stored);
        QCOMPARE(memo.textCursor().position(), 0);
        // The rest of the text follows between events.
        QTRY_COMPARE(memo.document()->lastBlock().text(), QStringLiteral("Zweite Zeile"));
        // Laid out a little at a time: no block holds more than a few thousand characters.
        for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next())
            QVERIFY(block.length() <= 4096);

        // A copy across the edge of two pieces is one piece of the line.
        QTextCursor selection(memo.document());
        selection.setPosition(1000);
        selection.setPosition(9000, QTextCursor::KeepAnchor);
        memo.setTextCursor(selection);
        memo.copy();
        const int separators = memo.document()->findBlock(9000).blockNumber();
        QCOMPARE(QGuiApplication::clipboard()->text(), longLine.mid(1000, 8000 - separators));

        m_data->edit();
        QString expected = stored;
        // Backspace at the start of a piece takes the character before it.
        const QTextBlock second = memo.document()->findBlockByNumber(1);
        const int edge = second.position() - 1;
        memo.setTextCursor(QTextCursor(second));
        QTest::keyClick(&memo, Qt::Key_Backspace);
        expected.remove(edge - 1, 1);
        QCOMPARE(memo.fieldText(), expected);
        // Return in the middle of a piece breaks the line there.
        const QTextBlock fourth = memo.document()->findBlockByNumber(3);
        QTextCursor inside(fourth);
        inside.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10);
        memo.setTextCursor(inside);
        QTest::keyClick(&memo, Qt::Key_Return);
        expected.insert(fourth.position() - 3 + 10, QStringLiteral("\r\n"));
        QCOMPARE(memo.fieldText(), expected);
        // A deletion across the edge of two pieces comes back whole with an undo.
        QTextCursor across(memo.document()->findBlockByNumber(6));
        across.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 30);
        memo.setTextCursor(across);
        QTest::keyClick(&memo, Qt::Key_Delete);
        QCOMPARE(memo.fieldText().size(), expected.size() - 29); // one of the 30 steps is the edge
        QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(memo.fieldText(), expected);
        // A long line pasted at the end joins the last line, in pieces.
        memo.moveCursor(QTextCursor::End);
        QGuiApplication::clipboard()->setText(QString(50'000, u'p'));
        memo.paste();
        expected += QString(50'000, u'p');
        QVERIFY(memo.document()->lastBlock().length() <= 4096);
        m_data->post();
        QCOMPARE(m_data->storedText(1, Field::Beschreibung), expected);
    }

    void checkBoxShowsTrueFalseAndEmpty_data()
    {
        QTest::addColumn<int>("recNo");
        QTest::addColumn<QString>("field");
        QTest::addColumn<Qt::CheckState>("shown");
        QTest::newRow("empty is greyed") << 1 << "Quad" << Qt::PartiallyChecked;
        QTest::newRow("Wahr is checked") << 2 << "Quad" << Qt::Checked;
        QTest::newRow("Falsch is unchecked") << 2 << "Invul" << Qt::Unchecked;
    }
    void checkBoxShowsTrueFalseAndEmpty()
    {
        QFETCH(int, recNo);
        QFETCH(QString, field);
        QFETCH(Qt::CheckState, shown);
        DBCheckBox box(QStringLiteral("QuadDamage"));
        box.bind(m_source, field);
        moveTo(recNo);
        QCOMPARE(box.checkState(), shown);
    }

    void checkBoxClickWhileEditingWritesAtOnce_data()
    {
        QTest::addColumn<int>("recNo");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("written");
        QTest::addColumn<Qt::CheckState>("shown");
        QTest::newRow("greyed becomes checked") << 1 << "Quad" << "Wahr" << Qt::Checked;
        QTest::newRow("checked becomes unchecked") << 2 << "Quad" << "Falsch" << Qt::Unchecked;
        QTest::newRow("unchecked becomes checked") << 2 << "Invul" << "Wahr" << Qt::Checked;
    }
    void checkBoxClickWhileEditingWritesAtOnce()
    {
        QFETCH(int, recNo);
        QFETCH(QString, field);
        QFETCH(QString, written);
        QFETCH(Qt::CheckState, shown);
        DBCheckBox box(QStringLiteral("Item"));
        box.bind(m_source, field);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        moveTo(recNo);
        m_data->edit();
        QTest::mouseClick(&box, Qt::LeftButton);
        QCOMPARE(box.checkState(), shown);
        QCOMPARE(m_data->text(m_data->fieldIndex(field)), written);
        QVERIFY(m_data->isModified());
    }

    void checkBoxClickWhileBrowsingDoesNothing_data()
    {
        checkBoxShowsTrueFalseAndEmpty_data();
    }
    void checkBoxClickWhileBrowsingDoesNothing()
    {
        QFETCH(int, recNo);
        QFETCH(QString, field);
        QFETCH(Qt::CheckState, shown);
        DBCheckBox box(QStringLiteral("Item"));
        box.bind(m_source, field);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        moveTo(recNo);
        const QString before = m_data->text(m_data->fieldIndex(field));
        QTest::mouseClick(&box, Qt::LeftButton);
        QTest::keyClick(&box, Qt::Key_Space);
        QCOMPARE(box.checkState(), shown);
        QCOMPARE(m_data->text(m_data->fieldIndex(field)), before);
        QVERIFY(m_dialogs->shown().empty());
    }

    void radioGroupSelectsOnlyAnExactMatch_data()
    {
        QTest::addColumn<int>("recNo");
        QTest::addColumn<int>("selected");
        QTest::newRow("CTF") << 1 << 1;
        QTest::newRow("DM") << 2 << 0;
        QTest::newRow("Dm matches nothing") << 3 << -1;
        QTest::newRow("new record") << -1 << -1;
    }
    void radioGroupSelectsOnlyAnExactMatch()
    {
        QFETCH(int, recNo);
        QFETCH(int, selected);
        DBRadioGroup group(QStringLiteral("Level Typ"));
        group.setItems({QStringLiteral("DM"), QStringLiteral("CTF")});
        group.bind(m_source, QStringLiteral("Typ"));
        moveTo(2);
        if (recNo > 0)
            moveTo(recNo);
        else
            m_data->insert();
        QCOMPARE(group.itemIndex(), selected);
        const auto buttons = group.findChildren<QRadioButton*>();
        QCOMPARE(buttons.size(), 2);
        QCOMPARE(buttons[0]->isChecked(), selected == 0);
        QCOMPARE(buttons[1]->isChecked(), selected == 1);
    }

    void radioGroupClickWritesOnlyWhileEditing_data()
    {
        QTest::addColumn<int>("recNo");
        QTest::addColumn<bool>("editing");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("typ");
        QTest::newRow("editing DM to CTF") << 2 << true << 1 << 1 << "CTF";
        QTest::newRow("editing no match to DM") << 3 << true << 0 << 0 << "DM";
        QTest::newRow("browsing keeps CTF") << 1 << false << 0 << 1 << "CTF";
        QTest::newRow("browsing keeps none") << 3 << false << 1 << -1 << "Dm";
    }
    void radioGroupClickWritesOnlyWhileEditing()
    {
        QFETCH(int, recNo);
        QFETCH(bool, editing);
        QFETCH(int, clicked);
        QFETCH(int, selected);
        QFETCH(QString, typ);
        DBRadioGroup group(QStringLiteral("Level Typ"));
        group.setItems({QStringLiteral("DM"), QStringLiteral("CTF")});
        group.bind(m_source, QStringLiteral("Typ"));
        group.resize(85, 77);
        group.show();
        QVERIFY(QTest::qWaitForWindowExposed(&group));
        moveTo(recNo);
        if (editing)
            m_data->edit();
        auto* button = group.findChildren<QRadioButton*>().at(clicked);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        QCOMPARE(group.itemIndex(), selected);
        QCOMPARE(m_data->text(Field::Typ), typ);
    }
};

QTEST_MAIN(DBFieldControlsTest)
#include "dbFieldControlsTest.moc"
