#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/ErrorReport.h"
#include "platform/dialogs/SystemTexts.h"
#include "tests/support/ScriptedDialogs.h"

#include <QTest>

using namespace tolvex;

class Handler : public QObject {
public:
    int reached = 0;
    void fails()
    {
        ++reached;
        throw TolvexError(QStringLiteral("Datei /x kann nicht geöffnet werden"));
    }
};

class ErrorReportTest : public QObject {
    Q_OBJECT

    ScriptedDialogs* m_dialogs = nullptr;

private Q_SLOTS:
    void init()
    {
        m_dialogs = new ScriptedDialogs;
        Dialogs::install(std::unique_ptr<Dialogs>(m_dialogs));
    }

    void fullStopOnlyAfterCharactersSortingAfterIt_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Stream-Write-Fehler" << "Stream-Write-Fehler.";
        QTest::newRow("full stop") << "Fertig." << "Fertig.";
        QTest::newRow("exclamation") << "Die Spielerangaben sind unlogisch!" << "Die Spielerangaben sind unlogisch!";
        QTest::newRow("closing parenthesis") << "Maximum (1)" << "Maximum (1)";
        QTest::newRow("quote") << "Feld 'Level' muß einen Wert haben" << "Feld 'Level' muß einen Wert haben.";
        QTest::newRow("digit") << "JPEG-Fehlernr. 42" << "JPEG-Fehlernr. 42.";
        QTest::newRow("empty") << "" << "";
    }
    void fullStopOnlyAfterCharactersSortingAfterIt()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(withFullStop(message), shown);
    }

    void guardedHandlerReportsInABoxTitledTolvex()
    {
        Handler handler;
        auto entry = guarded(&handler, &Handler::fails);
        entry();
        entry();
        QCOMPARE(handler.reached, 2);
        QCOMPARE(m_dialogs->shown().size(), size_t(2));
        QCOMPARE(m_dialogs->shown().front().kind, ScriptedDialogs::Kind::Error);
        QCOMPARE(m_dialogs->shown().front().caption, QStringLiteral("Tolvex"));
        QCOMPARE(m_dialogs->shown().front().text, QStringLiteral("Datei /x kann nicht geöffnet werden."));
    }

    // What a failed allocation says of itself names a C++ type, not a problem.
    void runningOutOfMemoryIsSaidInWords()
    {
        const auto shownAfterBadAlloc = [this] {
            runGuarded([] { throw std::bad_alloc(); });
            return m_dialogs->shown().back().text;
        };
        QCOMPARE(shownAfterBadAlloc(), QStringLiteral("Zu wenig Arbeitsspeicher."));
        setSystemLanguage(SystemLanguage::English);
        QCOMPARE(shownAfterBadAlloc(), QStringLiteral("Out of memory."));
        setSystemLanguage(SystemLanguage::German);
    }

    void formatFillsPlaceholdersInOrder()
    {
        QCOMPARE(formatMessage(QStringLiteral("'%s' ist kein gültiger Integerwert für Feld '%s'"), {"x", "Min Player"}),
                 QStringLiteral("'x' ist kein gültiger Integerwert für Feld 'Min Player'"));
        QCOMPARE(formatMessage(QStringLiteral("Maximum (%d) 100%"), {"1"}), QStringLiteral("Maximum (1) 100%"));
    }
};

QTEST_GUILESS_MAIN(ErrorReportTest)
#include "errorReportTest.moc"
