#include "about/info.h"
#include "catalogue/LevelTable.h"
#include "config/options.h"
#include "maplist/maplister.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"
#include "platform/files/ProfileFile.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <sys/stat.h>

using namespace tolvex;

namespace {

const std::vector<QStringList> kLevels = {
    levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge")),
    levelRecord(QStringLiteral("q2dm2"), QStringLiteral("Tokay's Towers")),
    levelRecord(QStringLiteral("q2ctf1"), QStringLiteral("McKinley Revival"), QStringLiteral("CTF")),
};

QString konfigValue(const ProgramFolder& folder, const char* section, const char* key)
{
    const ProfileFile ini(folder.path(QStringLiteral("konfig.ini")));
    return ini.readString(QLatin1String(section), QLatin1String(key), QStringLiteral("<missing>"));
}

QStringList errors(const ProgramFolder& folder)
{
    return folder.dialogs().messages(ScriptedDialogs::Kind::Error);
}

} // namespace

class WindowSetTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstStartAsksForTheConfigurationThenShowsTheMainWindow()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        bool dialogCame = false;
        folder.onKonfigDialog = [&] {
            dialogCame = true;
            QVERIFY(!Form2->DBEdit1->text().isEmpty()); // the table is open before the dialog
            KonfigForm->BitBtn1->click();
        };
        folder.start();

        QVERIFY(dialogCame);
        QVERIFY(Form2->isVisible());
        QVERIFY(!Form1->isVisible());
        QVERIFY(!mapform->isVisible());
        QCOMPARE(Form2->Xdateiname->text(), QStringLiteral("Datei-Name"));
        QCOMPARE(konfigValue(folder, "Other", "sprache"), QStringLiteral("deutsch"));
        QCOMPARE(konfigValue(folder, "Verzeichnisse", "quake"), QString());
        QVERIFY(!Form2->SpeedButton5->isEnabled());
        QVERIFY(errors(folder).isEmpty());
    }

    void dialogKeysOnlyEnableButtonsByExistingFiles()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeFile(QStringLiteral("quake2"), "#!/bin/sh\n");
        folder.writeKonfig("[Verzeichnisse]\r\nquake=" + folder.path(QStringLiteral("quake2")).toUtf8()
                           + "\r\neraser=" + folder.path().toUtf8() + "\r\n[Other]\r\nparameter=\r\nsprache=English\r\n");
        folder.start();

        QVERIFY(folder.dialogs().shown().empty());
        QVERIFY(Form2->SpeedButton5->isEnabled());
        QVERIFY(!Form2->SpeedButton4->isEnabled()); // a directory is no map list file
        QVERIFY(!Form2->SpeedButton7->isEnabled());
        QCOMPARE(Form2->Xdateiname->text(), QStringLiteral("Datei-Name")); // "English" is not "english"
        QVERIFY(!Form1->isVisible());
        QVERIFY(!mapform->isVisible());
    }

    void englishExactlySwitchesTheTexts()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeKonfig("[Other]\r\nsprache=english\r\n");
        folder.start();
        QCOMPARE(Form2->Xdateiname->text(), QStringLiteral("Filename"));
        QCOMPARE(Form1->windowTitle(), QStringLiteral("Level survey"));
    }

    void windowsRestoredVisibleComeUpWithTheirToggles()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeFile(QStringLiteral("maps.txt"), "q2dm1\r\nq2dm3\r\n");
        folder.writeKonfig("[Verzeichnisse]\r\neraser=" + folder.path(QStringLiteral("maps.txt")).toUtf8()
                           + "\r\n[Tabelle]\r\nvisible=1\r\nwidth=400\r\nheight=300\r\nleft=30\r\ntop=40\r\n"
                             "[Maplist]\r\nvisible=1\r\n");
        folder.start();

        QVERIFY(Form1->isVisible());
        QVERIFY(Form2->SpeedButton6->isDown());
        QCOMPARE(outerGeometry(Form1), QRect(30, 40, 400, 300));
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("q2ctf1")); // the first record in key order
        QVERIFY(mapform->isVisible());
        QVERIFY(Form2->SpeedButton4->isDown());
        QCOMPARE(mapform->ListBox1->count(), 2);
    }

    void aWindowRestoredHiddenIsCentredWithItsStoredSizeWhenShown()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeKonfig("[Tabelle]\r\nvisible=0\r\nwidth=500\r\nheight=200\r\nleft=0\r\ntop=0\r\n");
        folder.start();

        QVERIFY(!Form1->isVisible());
        QTest::mouseClick(Form2->SpeedButton6, Qt::LeftButton);
        QVERIFY(Form1->isVisible());
        QVERIFY(Form2->SpeedButton6->isDown());
        const QRect outer = outerGeometry(Form1);
        QCOMPARE(outer.size(), QSize(500, 200));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(outer.left(), qMax(0, (screen.width() - 500) / 2));

        // Its own close releases the toggle; the toggle shows it again where it was.
        Form1->close();
        QVERIFY(!Form2->SpeedButton6->isDown());
        Form1->move(10, 20);
        QTest::mouseClick(Form2->SpeedButton6, Qt::LeftButton);
        QCOMPARE(outerGeometry(Form1).topLeft(), QPoint(10, 20));
    }

    void infoWindowFollowsItsToggle()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeKonfig("");
        folder.start();
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        QVERIFY(infoform->isVisible());
        QVERIFY(Form2->SpeedButton8->isDown());
        infoform->close();
        QVERIFY(!Form2->SpeedButton8->isDown());
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        QVERIFY(infoform->isVisible());
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        QVERIFY(!infoform->isVisible());
        QVERIFY(!Form2->SpeedButton8->isDown());
    }

    void shutdownStoresThePlacementOfAllThreeWindows()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeKonfig("; kept by hand\r\n[Other]\r\nsprache=deutsch\r\nmine=1\r\n");
        folder.start();
        Form1->show();
        setOuterGeometry(Form2, QRect(11, 22, 700, 500));
        QTest::mouseClick(Form2->SpeedButton1, Qt::LeftButton);

        QVERIFY(!Form2->isVisible());
        QCOMPARE(konfigValue(folder, "Hauptfenster", "visible"), QStringLiteral("1"));
        QCOMPARE(konfigValue(folder, "Hauptfenster", "width"), QStringLiteral("700"));
        QCOMPARE(konfigValue(folder, "Hauptfenster", "left"), QStringLiteral("11"));
        QCOMPARE(konfigValue(folder, "Tabelle", "visible"), QStringLiteral("1"));
        QCOMPARE(konfigValue(folder, "Maplist", "visible"), QStringLiteral("0"));
        const QByteArray text = folder.readFile(QStringLiteral("konfig.ini"));
        QVERIFY(text.startsWith("; kept by hand\r\n"));
        QVERIFY(text.contains("mine=1\r\n"));
        QVERIFY(text.indexOf("[Hauptfenster]") < text.indexOf("[Tabelle]"));
        QVERIFY(text.indexOf("[Tabelle]") < text.indexOf("[Maplist]"));
    }

    void aReadOnlyConfigurationKeepsTheProgramOpen()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeKonfig("[Other]\r\nsprache=deutsch\r\n");
        ::chmod(folder.path(QStringLiteral("konfig.ini")).toLocal8Bit().constData(), 0444);
        folder.start();
        Form2->close();
        QVERIFY(Form2->isVisible());
        QCOMPARE(errors(folder), QStringList{QStringLiteral("nach %1 kann nicht geschrieben werden.")
                                                 .arg(folder.path(QStringLiteral("konfig.ini")))});
        QCOMPARE(folder.readFile(QStringLiteral("konfig.ini")), QByteArray("[Other]\r\nsprache=deutsch\r\n"));
        ::chmod(folder.path(QStringLiteral("konfig.ini")).toLocal8Bit().constData(), 0644);
    }

    void aTableInUseStopsTheStartUpAtTheTable()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeFile(QStringLiteral("quake2"), "#!/bin/sh\n");
        const QByteArray konfig = "[Verzeichnisse]\r\nquake=" + folder.path(QStringLiteral("quake2")).toUtf8()
                                  + "\r\n[Tabelle]\r\nvisible=1\r\nwidth=500\r\nheight=400\r\nleft=10\r\ntop=20\r\n";
        folder.writeKonfig(konfig);

        LevelTable other; // the first copy of the program
        other.setFileName(folder.path(QStringLiteral("maps.DB")));
        other.open();
        folder.start();

        QCOMPARE(errors(folder).size(), 1);
        QVERIFY(errors(folder).front().contains(QStringLiteral("maps.DB")));
        QVERIFY(Form2->isVisible());
        QVERIFY(!Form2->SpeedButton5->isEnabled()); // the later steps did not run

        // It never read the user's layout, so it leaves it as it was.
        Form2->close();
        QCOMPARE(folder.readFile(QStringLiteral("konfig.ini")), konfig);
    }

    void unusableStoredGeometryCountsAsMissingAndIsNotStoredBack()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeKonfig("[Hauptfenster]\r\nwidth=-5\r\nheight=0\r\nleft=-9000\r\ntop=-9000\r\n"
                           "[Tabelle]\r\nvisible=1\r\nwidth=0\r\nheight=0\r\nleft=100000\r\ntop=20\r\n"
                           "[Maplist]\r\nwidth=10\r\nheight=3000\r\nleft=5\r\ntop=6\r\n");
        folder.start();

        QCOMPARE(outerGeometry(Form2), QRect(247, 195, 648, 480));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(outerGeometry(Form1), QRect((screen.width() - 392) / 2, (screen.height() - 309) / 2, 392, 309));
        QCOMPARE(outerGeometry(mapform), QRect(5, 6, 186, 210)); // only the size was unusable
        QTest::mouseClick(Form2->SpeedButton1, Qt::LeftButton);
        QCOMPARE(konfigValue(folder, "Hauptfenster", "width"), QStringLiteral("648"));
        QCOMPARE(konfigValue(folder, "Hauptfenster", "top"), QStringLiteral("195"));
        QCOMPARE(konfigValue(folder, "Tabelle", "height"), QStringLiteral("309"));
        QCOMPARE(konfigValue(folder, "Maplist", "width"), QStringLiteral("186"));
    }

    void closingFinishesAPendingEdit()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeKonfig("");
        folder.start();
        LevelTable* table = Form1->Table1;
        table->edit();
        Form2->DBEdit2->setFocus();
        QTest::keyClick(Form2->DBEdit2, Qt::Key_End);
        QTest::keyClicks(Form2->DBEdit2, QStringLiteral(" II"));
        Form2->close();
        QVERIFY(!Form2->isVisible());

        folder.stop();
        LevelTable reopened;
        reopened.setFileName(folder.path(QStringLiteral("maps.DB")));
        reopened.open();
        QCOMPARE(reopened.text(1), QStringLiteral("McKinley Revival II"));
    }

    void closingKeepsTheWindowWhenThePendingRecordIsRefused()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeKonfig("");
        folder.start();
        Form1->Table1->edit();
        Form2->DBEdit2->setFocus();
        QTest::keyClick(Form2->DBEdit2, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(Form2->DBEdit2, Qt::Key_Backspace);
        Form2->close();
        QVERIFY(Form2->isVisible());
        QCOMPARE(errors(folder), QStringList{QStringLiteral("Feld 'Level' muß einen Wert haben.")});
        QCOMPARE(Form1->Table1->state(), Dataset::State::Edit);
    }
};

QTEST_MAIN(WindowSetTest)
#include "windowSetTest.moc"
