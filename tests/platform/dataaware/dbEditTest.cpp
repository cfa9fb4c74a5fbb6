#include "MemoryDataset.h"

#include "platform/dataaware/DBEdit.h"
#include "platform/dataaware/Dataset.h"
#include "platform/dialogs/TolvexError.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

using namespace tolvex;
using tolvex::test::MemoryDataset;

namespace {

// QTest::keyClicks takes ASCII only; other characters arrive as key events
// carrying their text, the way an input method delivers them.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_A, QString(c), Qt::NoModifier);
}

} // namespace

class DBEditTest : public QObject {
    Q_OBJECT

    MemoryDataset* m_data = nullptr;
    DataSource* m_source = nullptr;
    DBEdit* m_edit = nullptr;

    void bindTo(const char* field)
    {
        m_edit->bind(m_source, QString::fromLatin1(field));
    }

private Q_SLOTS:
    void init()
    {
        m_data = new MemoryDataset(this);
        m_data->load(test::sampleLevels());
        m_source = new DataSource(this);
        m_source->setDataSet(m_data);
        m_edit = new DBEdit;
    }
    void cleanup()
    {
        delete m_edit;
        delete m_source;
        delete m_data;
    }

    void showsTheFieldsTextFormAndFollowsTheCursor()
    {
        bindTo("Min Player");
        QCOMPARE(m_edit->text(), QStringLiteral("4"));
        m_data->next();
        QCOMPARE(m_edit->text(), QStringLiteral("2"));
        m_data->last();
        QCOMPARE(m_edit->text(), QString());
    }

    void unknownFieldIsRefused()
    {
        QVERIFY_THROWS_EXCEPTION(TolvexError, m_edit->bind(m_source, QStringLiteral("Nirgends")));
    }

    void typingWhileBrowsingChangesNothing()
    {
        bindTo("Datei");
        QVERIFY(m_edit->isReadOnly());
        QTest::keyClicks(m_edit, "xy");
        QTest::keyClick(m_edit, Qt::Key_Backspace);
        QCOMPARE(m_edit->text(), QStringLiteral("ctf1"));
        QCOMPARE(m_data->state(), Dataset::State::Browse);

        m_data->edit();
        QVERIFY(!m_edit->isReadOnly());
        m_edit->end(false);
        QTest::keyClicks(m_edit, "xy");
        QCOMPARE(m_edit->text(), QStringLiteral("ctf1xy"));
        m_data->cancel();
        QVERIFY(m_edit->isReadOnly());
        QCOMPARE(m_edit->text(), QStringLiteral("ctf1"));
    }

    void wholeNumberFieldDropsOtherCharacters_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("digits and signs") << "Min Player" << "+-12" << "+-12";
        QTest::newRow("letters and blanks dropped") << "Min Player" << "1a 2.5" << "125";
        QTest::newRow("text field takes all") << "Level" << "1a 2.5" << "1a 2.5";
        QTest::newRow("outside Windows-1252 dropped") << "Level" << QStringLiteral("a€\u0142b") << QStringLiteral("a€b");
    }
    void wholeNumberFieldDropsOtherCharacters()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        m_edit->bind(m_source, field);
        m_data->insert();
        typeText(m_edit, typed);
        QCOMPARE(m_edit->text(), shown);
    }

    void pastedTextLosesWhatTheFieldCannotTake()
    {
        bindTo("Max Player");
        m_data->insert();
        QApplication::clipboard()->setText(QStringLiteral("1x2 3"));
        m_edit->paste();
        QCOMPARE(m_edit->text(), QStringLiteral("123"));
        QVERIFY(m_edit->isModified());
    }

    void textFieldsTakeAtMostTheirSize_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("size");
        QTest::newRow("Datei") << "Datei" << 15;
        QTest::newRow("Level") << "Level" << 50;
        QTest::newRow("Typ") << "Typ" << 3;
    }
    void textFieldsTakeAtMostTheirSize()
    {
        QFETCH(QString, field);
        QFETCH(int, size);
        m_edit->bind(m_source, field);
        m_data->insert();
        QTest::keyClicks(m_edit, QString(60, u'k'));
        QCOMPARE(m_edit->text().size(), size);
    }

    void escapeRestoresTheFieldText()
    {
        bindTo("Level");
        m_data->edit();
        m_edit->end(false);
        QTest::keyClicks(m_edit, " II");
        QVERIFY(m_edit->isModified());
        QTest::keyClick(m_edit, Qt::Key_Escape);
        QCOMPARE(m_edit->text(), QStringLiteral("The Edge"));
        QVERIFY(!m_edit->isModified());
        m_data->post();
        QCOMPARE(m_data->storedText(0, Field::Level), QStringLiteral("The Edge"));
    }

    void writesOnlyWhatTheUserChanged()
    {
        bindTo("Level");
        DBEdit other;
        other.bind(m_source, QStringLiteral("Min Player"));
        m_data->edit();
        m_edit->end(false);
        QTest::keyClicks(m_edit, " II");
        QCOMPARE(m_data->text(Field::Level), QStringLiteral("The Edge"));
        m_data->post();
        QCOMPARE(m_data->storedText(0, Field::Level), QStringLiteral("The Edge II"));
        QCOMPARE(m_data->storedText(0, Field::MinPlayer), QStringLiteral("4"));

        // An untouched edit leaves the record unchanged, so the move drops it.
        m_data->edit();
        m_data->next();
        QCOMPARE(m_data->state(), Dataset::State::Browse);
        QCOMPARE(m_data->recNo(), 2);
    }

    void failedWriteKeepsTheRecordAndTheInput()
    {
        bindTo("Min Player");
        m_data->edit();
        m_edit->clear();
        QTest::keyClicks(m_edit, "-");
        QVERIFY_THROWS_EXCEPTION(TolvexError, m_data->next());
        QCOMPARE(m_data->state(), Dataset::State::Edit);
        QCOMPARE(m_data->recNo(), 1);
        QCOMPARE(m_edit->text(), QStringLiteral("-"));
        QVERIFY(m_edit->isModified());
    }

    void textChangedOnlyWhenTheShownTextChanges()
    {
        bindTo("Level");
        QSignalSpy changed(m_edit, &QLineEdit::textChanged);
        m_data->next(); // the same level name
        QCOMPARE(changed.count(), 0);
        m_data->edit();
        m_data->setText(Field::MinPlayer, QStringLiteral("3"));
        m_data->post();
        QCOMPARE(changed.count(), 0);
        m_data->next();
        QCOMPARE(changed.count(), 1);
        m_data->insert();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(m_edit->text(), QString());
    }

    void suspendedDisplayCatchesUpOnce()
    {
        bindTo("Datei");
        QSignalSpy changed(m_edit, &QLineEdit::textChanged);
        m_data->disableControls();
        m_data->next();
        m_data->next();
        QCOMPARE(changed.count(), 0);
        m_data->enableControls();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_edit->text(), QStringLiteral("q2dm3"));
    }

    void closedDatasetShowsNothing()
    {
        bindTo("Datei");
        m_data->close();
        QCOMPARE(m_edit->text(), QString());
        QVERIFY(m_edit->isReadOnly());
    }
};

QTEST_MAIN(DBEditTest)
#include "dbEditTest.moc"
