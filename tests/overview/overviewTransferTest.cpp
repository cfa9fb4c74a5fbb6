#include "catalogue/LevelTable.h"
#include "lang/translate.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/design/SpeedButton.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTest>

using namespace tolvex;

namespace {

const std::vector<QStringList> kLevels = {
    levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge")),
    levelRecord(QStringLiteral("q2dm2"), QStringLiteral("Tokay's Towers")),
    levelRecord(QStringLiteral("q2ctf1"), QStringLiteral("McKinley Revival"), QStringLiteral("CTF")),
};

// A group of the level list file for a level of the given name.
QByteArray group(const QByteArray& datei)
{
    return datei + "\r\nNeu\r\nDM\r\n2\r\n8\r\n\r\nWahr\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
}

QString pdfText(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class OverviewTransferTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;

    void start(const QByteArray& konfig = "[Other]\r\nsprache=deutsch\r\n")
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue(kLevels);
        m_folder->writeKonfig(konfig);
        m_folder->start();
        QTest::mouseClick(Form2->SpeedButton6, Qt::LeftButton);
        QVERIFY(Form1->isVisible());
    }

    [[nodiscard]] ScriptedDialogs& dialogs() const { return m_folder->dialogs(); }
    [[nodiscard]] QStringList infos() const { return dialogs().messages(ScriptedDialogs::Kind::Info); }
    [[nodiscard]] QStringList errors() const { return dialogs().messages(ScriptedDialogs::Kind::Error); }

    static void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton); }

private Q_SLOTS:
    void cleanup()
    {
        m_folder.reset();
        // The message texts belong to the process; the next test starts in German as the program does.
        ApplyGerman();
    }

    void exportWritesEveryRecordAndEndsOnTheLast()
    {
        start();
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/3"));
        dialogs().setNextSaveFile(m_folder->path(QStringLiteral("levels")));
        click(Form1->SpeedButton3);

        QVERIFY2(errors().isEmpty(), qPrintable(errors().join(u'\n')));
        QCOMPARE(infos(), QStringList{QStringLiteral("Daten eportiert!")});
        const QByteArray file = m_folder->readFile(QStringLiteral("levels.txt"));
        QCOMPARE(file.count("\r\n"), 39);
        QVERIFY(file.startsWith("q2ctf1\r\nMcKinley Revival\r\nCTF\r\n2\r\n8\r\n\r\nFalsch\r\n"));
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 3/3"));
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("q2dm2"));

        const ScriptedDialogs::Shown& shown = dialogs().shown().front();
        QCOMPARE(shown.kind, ScriptedDialogs::Kind::SaveFile);
        QCOMPARE(shown.fileOptions.filters.size(), size_t(2));
        QCOMPARE(shown.fileOptions.filters[0].name, QStringLiteral("Text-Dateien"));
        QCOMPARE(shown.fileOptions.filters[0].pattern, QStringLiteral("*.txt"));
        QCOMPARE(shown.fileOptions.filters[1].name, QStringLiteral("alle Dateien"));
        QCOMPARE(shown.fileOptions.filters[1].pattern, QStringLiteral("*"));
        QCOMPARE(shown.fileOptions.defaultSuffix, QStringLiteral("txt"));
        QVERIFY(shown.fileOptions.confirmOverwrite);
    }

    void importAppendsTheNewLevelsAndShowsTheLastOne()
    {
        start("[Other]\r\nsprache=english\r\n");
        m_folder->writeFile(QStringLiteral("new.txt"), group("base1") + group("q2dm1") + group("base2"));
        dialogs().setNextOpenFile(m_folder->path(QStringLiteral("new.txt")));
        click(Form1->SpeedButton4);

        QVERIFY2(errors().isEmpty(), qPrintable(errors().join(u'\n')));
        QCOMPARE(infos(), QStringList{QStringLiteral("Import finished!")});
        QCOMPARE(Form1->Table1->recordCount(), 5);
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("base2"));
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Record: 2/5"));
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("q2ctf1")); // the search field keeps what it had

        const ScriptedDialogs::Shown& shown = dialogs().shown().front();
        QCOMPARE(shown.kind, ScriptedDialogs::Kind::OpenFile);
        QVERIFY(shown.fileOptions.fileMustExist);
        QCOMPARE(shown.fileOptions.defaultSuffix, QString());
        QCOMPARE(shown.fileOptions.filters.size(), size_t(2));
    }

    void aStoppedImportShowsTheErrorAndKeepsWhatItAdded()
    {
        start();
        m_folder->writeFile(QStringLiteral("broken.txt"), group("base1") + group("base2") + "half\r\n");
        dialogs().setNextOpenFile(m_folder->path(QStringLiteral("broken.txt")));
        click(Form1->SpeedButton4);

        QCOMPARE(errors(), QStringList{QStringLiteral("Der Index der Liste überschreitet das Maximum (1)")});
        QVERIFY(infos().isEmpty());
        QCOMPARE(Form1->Table1->recordCount(), 5);
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 2/5"));
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("base2"));
        QVERIFY(!Form1->Table1->controlsDisabled());
    }

    void cancelledDialogsDoNothing()
    {
        start();
        dialogs().setNextSaveFile(std::nullopt);
        click(Form1->SpeedButton3);
        dialogs().setNextOpenFile(std::nullopt);
        click(Form1->SpeedButton4);
        dialogs().setNextPrint(std::nullopt);
        click(Form1->SpeedButton1);

        QCOMPARE(dialogs().shown().size(), size_t(3));
        QVERIFY(infos().isEmpty());
        QVERIFY(errors().isEmpty());
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/3"));
        QCOMPARE(Form1->Table1->recordCount(), 3);
    }

    void printWritesTheSurveyIntoThePdf()
    {
        start();
        const QString pdf = m_folder->path(QStringLiteral("survey.pdf"));
        dialogs().setNextPrint(pdf);
        click(Form1->SpeedButton1);

        QVERIFY2(errors().isEmpty(), qPrintable(errors().join(u'\n')));
        QVERIFY(QFile::exists(pdf));
        QStringList lines = pdfText(pdf).split(u'\n');
        lines.removeIf([](const QString& line) { return line.trimmed().isEmpty(); }); // the page ends with a form feed
        QVERIFY2(lines.size() == 4, qPrintable(lines.join(u'\n')));
        QCOMPARE(lines[0].simplified(), QStringLiteral("Nr. Datei Level Typ Spieler Items"));
        QCOMPARE(lines[1].simplified(), QStringLiteral("1 q2ctf1 McKinley Revival CTF 2-8 GL RL"));
        QCOMPARE(lines[3].simplified(), QStringLiteral("3 q2dm2 Tokay's Towers DM 2-8 GL RL"));
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 3/3"));
        QVERIFY(!Form1->Table1->controlsDisabled());
    }
};

QTEST_MAIN(OverviewTransferTest)
#include "overviewTransferTest.moc"
