#include "MemoryDataset.h"

#include "platform/dataaware/DBNavigator.h"
#include "platform/dataaware/Dataset.h"
#include "platform/dialogs/Dialogs.h"
#include "tests/support/ScriptedDialogs.h"

#include <QTest>
#include <QToolButton>

#include <memory>

using namespace tolvex;
using tolvex::test::MemoryDataset;

namespace {

const QStringList kButtonNames{"first", "prior", "next", "last", "insert", "delete", "edit", "post", "cancel"};

} // namespace

class DBNavigatorTest : public QObject {
    Q_OBJECT

    ScriptedDialogs* m_dialogs = nullptr;
    MemoryDataset* m_data = nullptr;
    DataSource* m_source = nullptr;
    DBNavigator* m_navigator = nullptr;

    QToolButton* button(const QString& name) const
    {
        auto* b = m_navigator->findChild<QToolButton*>(name);
        if (!b)
            qFatal("no navigator button %s", qPrintable(name));
        return b;
    }
    void click(const QString& name) { QTest::mouseClick(button(name), Qt::LeftButton); }

    // One character per visible button, in their order: 1 enabled, 0 disabled.
    QString enabledStates() const
    {
        QString states;
        for (const QString& name : kButtonNames)
            states += button(name)->isEnabled() ? u'1' : u'0';
        return states;
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
        m_navigator = new DBNavigator;
        m_navigator->setDeleteQuestion(QStringLiteral("Datensatz löschen?"), QStringLiteral("Bestätigung"));
        m_navigator->bind(m_source);
        m_navigator->resize(225, 25);
        m_navigator->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_navigator));
    }
    void cleanup()
    {
        delete m_navigator;
        delete m_source;
        delete m_data;
    }

    void ninePicturedButtonsShowRefreshHidden()
    {
        for (const QString& name : kButtonNames) {
            QVERIFY2(button(name)->isVisible(), qPrintable(name));
            QVERIFY(!button(name)->icon().isNull());
        }
        QVERIFY(!button(QStringLiteral("refresh"))->isVisible());
    }

    void eachButtonTakesTheHintOfItsKind()
    {
        QStringList hints;
        for (int i = 1; i <= DBNavigator::kButtonCount; ++i)
            hints << QStringLiteral("Hinweis %1").arg(i);
        m_navigator->setHints(hints);
        QCOMPARE(button(QStringLiteral("first"))->toolTip(), QStringLiteral("Hinweis 1"));
        QCOMPARE(button(QStringLiteral("delete"))->toolTip(), QStringLiteral("Hinweis 6"));
        QCOMPARE(button(QStringLiteral("cancel"))->toolTip(), QStringLiteral("Hinweis 9"));
        QCOMPARE(button(QStringLiteral("refresh"))->toolTip(), QStringLiteral("Hinweis 10"));
        m_navigator->setHints({QStringLiteral("nur einer")});
        QCOMPARE(button(QStringLiteral("prior"))->toolTip(), QString());
    }

    void buttonsFollowMarksAndState_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("recNo");
        // first prior next last insert delete edit post cancel
        QTest::addColumn<QString>("enabled");
        QTest::newRow("opened") << QStringList{} << 1 << "001111100";
        QTest::newRow("next") << QStringList{"next"} << 2 << "111111100";
        QTest::newRow("last") << QStringList{"last"} << 3 << "110011100";
        QTest::newRow("next past the end") << QStringList{"next", "next", "next"} << 3 << "110011100";
        QTest::newRow("prior before the start") << QStringList{"next", "prior", "prior"} << 1 << "001111100";
        QTest::newRow("first after last") << QStringList{"last", "first"} << 1 << "001111100";
        QTest::newRow("edit") << QStringList{"next", "edit"} << 2 << "111111011";
        QTest::newRow("cancel") << QStringList{"next", "edit", "cancel"} << 2 << "111111100";
        QTest::newRow("insert") << QStringList{"insert"} << -1 << "001111011";
    }
    void buttonsFollowMarksAndState()
    {
        QFETCH(QStringList, clicks);
        QFETCH(int, recNo);
        QFETCH(QString, enabled);
        for (const QString& name : clicks)
            click(name);
        QCOMPARE(m_data->recNo(), recNo);
        QCOMPARE(enabledStates(), enabled);
    }

    void emptyDatasetOffersInsertAndEdit()
    {
        m_data->load({});
        QCOMPARE(enabledStates(), QStringLiteral("000010100"));
        click(QStringLiteral("insert"));
        QCOMPARE(enabledStates(), QStringLiteral("000010011"));
    }

    void closedDatasetOffersNothingAndItShows()
    {
        m_data->close();
        QCOMPARE(enabledStates(), QStringLiteral("000000000"));
        // Some styles grey a dark glyph hardly at all: a disabled button
        // shows its own picture, grey and embossed with a white edge.
        for (const QString& name : kButtonNames) {
            const QImage shown = button(name)->icon().pixmap(16, QIcon::Disabled).toImage();
            QList<int> greys;
            for (int i = 0; i < shown.width() * shown.height(); ++i) {
                if (const QColor c = shown.pixelColor(i % shown.width(), i / shown.width()); c.alpha() > 200)
                    greys << qGray(c.rgb());
            }
            const auto [darkest, lightest] = std::minmax_element(greys.begin(), greys.end());
            QVERIFY2(*darkest >= 0x78 && *lightest >= 0xC0, qPrintable(name));
        }
    }

    void deleteAsksAndDeletesOnlyOnOk()
    {
        m_dialogs->setNextConfirm(false);
        click(QStringLiteral("delete"));
        QCOMPARE(m_data->recordCount(), 3);
        QCOMPARE(m_data->removeCalls(), 0);
        QCOMPARE(m_dialogs->shown().size(), size_t(1));
        QCOMPARE(m_dialogs->shown().front().kind, ScriptedDialogs::Kind::Confirm);
        QCOMPARE(m_dialogs->shown().front().text, QStringLiteral("Datensatz löschen?"));
        QCOMPARE(m_dialogs->shown().front().caption, QStringLiteral("Bestätigung"));

        m_dialogs->setNextConfirm(true);
        click(QStringLiteral("delete"));
        QCOMPARE(m_data->recordCount(), 2);
        QCOMPARE(m_data->text(Field::Datei), QStringLiteral("dm1"));
    }

    void deletingANewRecordKeepsTheStoredOnes()
    {
        click(QStringLiteral("next"));
        click(QStringLiteral("insert"));
        m_dialogs->setNextConfirm(true);
        click(QStringLiteral("delete"));
        QCOMPARE(m_data->state(), Dataset::State::Browse);
        QCOMPARE(m_data->recordCount(), 3);
        QCOMPARE(m_data->removeCalls(), 0);
    }

    void failedPostIsReportedAndTheRecordStaysPending()
    {
        click(QStringLiteral("insert"));
        m_data->setText(Field::Level, QStringLiteral("Namenlos"));
        click(QStringLiteral("post"));
        QCOMPARE(m_dialogs->messages(ScriptedDialogs::Kind::Error),
                 QStringList{QStringLiteral("Feld 'Datei' muß einen Wert haben.")});
        QCOMPARE(m_data->state(), Dataset::State::Insert);
        QCOMPARE(enabledStates(), QStringLiteral("001111011"));

        m_data->setText(Field::Datei, QStringLiteral("base1"));
        click(QStringLiteral("post"));
        QCOMPARE(m_data->state(), Dataset::State::Browse);
        QCOMPARE(m_data->recordCount(), 4);
        QCOMPARE(m_data->recNo(), 1);
    }

    void suspendedDisplayHoldsTheButtonsUntilResumed()
    {
        m_data->disableControls();
        m_data->last();
        QCOMPARE(enabledStates(), QStringLiteral("001111100"));
        m_data->enableControls();
        QCOMPARE(enabledStates(), QStringLiteral("110011100"));
    }
};

QTEST_MAIN(DBNavigatorTest)
#include "dbNavigatorTest.moc"
