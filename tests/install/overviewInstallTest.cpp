#include "catalogue/LevelTable.h"
#include "overview/tabelle.h"
#include "lang/translate.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/design/SpeedButton.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestArchives.h"
#include "tools/MapWriter.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

using namespace tolvex;

class OverviewInstallTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;

    void start()
    {
        m_folder = std::make_unique<ProgramFolder>();
        qputenv("HOME", m_folder->path(QStringLiteral("home")).toUtf8());
        m_folder->makeCatalogue({levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge"))});
        QVERIFY(QDir().mkpath(m_folder->path(QStringLiteral("game/baseq2"))));
        m_folder->writeFile(QStringLiteral("game/quake2"), "#!/bin/sh\n");
        m_folder->writeKonfig("[Verzeichnisse]\r\nquake=" + m_folder->path(QStringLiteral("game/quake2")).toUtf8()
                              + "\r\n[Other]\r\nsprache=deutsch\r\n");
        m_folder->start();
        QTest::mouseClick(Form2->SpeedButton6, Qt::LeftButton);
    }

    [[nodiscard]] QString levelZip(const QString& name, const QString& map) const
    {
        const QString path = m_folder->path(name);
        writeTestArchive(path, TestFormat::Zip,
                         {{QStringLiteral("maps/") + map + QStringLiteral(".bsp"),
                           mapwriter::mapFile(QStringLiteral("entity worldspawn message=\"Arena\"\n"
                                                             "entity info_player_deathmatch * 4\n"
                                                             "box -256 -256 -16 256 256 0"))}});
        return path;
    }

    [[nodiscard]] ScriptedDialogs& dialogs() const { return m_folder->dialogs(); }

private Q_SLOTS:
    void cleanup()
    {
        m_folder.reset();
        ApplyGerman();
    }

    void theButtonInstallsTheChosenArchivesAndAddsTheirLevels()
    {
        start();
        // Left of the game-folder button at the toolbar's spacing, wherever the window's width put both.
        QCOMPARE(Form1->SpeedButton6->geometry(), Form1->SpeedButton5->geometry().translated(-28, 0));
        QCOMPARE(Form1->SpeedButton6->toolTip(), QStringLiteral("Level-Archiv installieren"));
        dialogs().setNextOpenFile(levelZip(QStringLiteral("arena.zip"), QStringLiteral("Arena")));

        QTest::mouseClick(Form1->SpeedButton6, Qt::LeftButton);

        const QString baseq2 = m_folder->path(QStringLiteral("game/baseq2"));
        QVERIFY(dialogs().messages(ScriptedDialogs::Kind::Error).isEmpty());
        QCOMPARE(dialogs().messages(ScriptedDialogs::Kind::Info),
                 QStringList{QStringLiteral("1 Datei nach %1 installiert, 1 Level übernommen, 1 Vorschaubild erstellt.")
                                 .arg(baseq2)});
        QVERIFY(QFile::exists(baseq2 + QStringLiteral("/maps/arena.bsp")));
        QVERIFY(QFile::exists(m_folder->path(QStringLiteral("screens/arena.jpg"))));
        QCOMPARE(Form1->Table1->text(Field::Datei), QStringLiteral("arena"));
        QCOMPARE(Form1->Table1->text(Field::Level), QStringLiteral("Arena"));
        QCOMPARE(Form1->Table1->text(Field::MaxPlayer), QStringLiteral("4"));
    }

    void filesDroppedOnTheMainWindowAreInstalledOneAfterTheOther()
    {
        start();
        ApplyEnglish();
        QCOMPARE(Form1->SpeedButton6->toolTip(), QStringLiteral("Install a level archive"));
        const QString first = levelZip(QStringLiteral("one.zip"), QStringLiteral("one"));
        const QString second = levelZip(QStringLiteral("two.zip"), QStringLiteral("one"));
        QVERIFY(QDir().mkpath(m_folder->path(QStringLiteral("game/baseq2/maps"))));
        m_folder->writeFile(QStringLiteral("game/baseq2/maps/one.bsp"), "an older one");
        dialogs().setNextConfirm(false);
        dialogs().setNextConfirm(true);

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Form2, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Form2, &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(dialogs().messages(ScriptedDialogs::Kind::Info).size(), 1);

        const QStringList questions = dialogs().messages(ScriptedDialogs::Kind::Confirm);
        QCOMPARE(questions, QStringList(2, QStringLiteral("Other content is there already for maps/one.bsp. Replace?")));
        QCOMPARE(dialogs().messages(ScriptedDialogs::Kind::Info).constFirst(),
                 QStringLiteral("1 file installed into %1, 1 level added, 1 preview picture made.\n%2: nothing installed.")
                     .arg(m_folder->path(QStringLiteral("game/baseq2")), first));
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("one"));
    }
};

QTEST_MAIN(OverviewInstallTest)
#include "overviewInstallTest.moc"
