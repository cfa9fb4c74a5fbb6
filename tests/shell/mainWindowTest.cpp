#include "catalogue/LevelTable.h"
#include "catalogue/RandomLevel.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBCheckBox.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/dataaware/DBNavigator.h"
#include "platform/design/SpeedButton.h"
#include "platform/pictures/JpegImage.h"
#include "platform/pictures/PictureBox.h"
#include "platform/pictures/PictureCache.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestPictures.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QDir>
#include <QTest>

#include <cstdio>

#include <sys/stat.h>

using namespace tolvex;

namespace {

std::vector<QStringList> levels(int count)
{
    std::vector<QStringList> records;
    for (int i = 1; i <= count; ++i)
        records.push_back(levelRecord(QStringLiteral("lvl%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Level %1").arg(i)));
    return records;
}

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

void clickNavigator(const char* button)
{
    click(Form2->DBNavigator1->findChild<QWidget*>(QLatin1String(button)));
}

QStringList lines(const QByteArray& bytes)
{
    QStringList result = QString::fromUtf8(bytes).split(u'\n');
    if (!result.isEmpty() && result.back().isEmpty())
        result.removeLast();
    return result;
}

// A stand-in for the game: it records its arguments and working directory.
void installGame(const ProgramFolder& folder)
{
    folder.writeFile(QStringLiteral("game/quake2"), "#!/bin/sh\nprintf '%s\\n' \"$@\" > args.tmp\npwd > pwd.txt\nmv args.tmp args.txt\n");
    ::chmod(QFile::encodeName(folder.path(QStringLiteral("game/quake2"))).constData(), 0755);
}

void waitForPrefetch()
{
    QVERIFY(QTest::qWaitFor([] { return !Form2->pictures()->isDecoding(); }, 20000));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;

    void start(const std::vector<QStringList>& records, const QByteArray& konfig = "[Other]\r\nsprache=deutsch\r\n")
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue(records);
        m_folder->writeKonfig(konfig);
        m_folder->start();
    }

    [[nodiscard]] QStringList errors() const { return m_folder->dialogs().messages(ScriptedDialogs::Kind::Error); }

private Q_SLOTS:
    void cleanup() { m_folder.reset(); }

    void counterFollowsMovesInsertsAndDeletes()
    {
        start(levels(3));
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/3"));
        clickNavigator("next");
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 2/3"));
        clickNavigator("last");
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 3/3"));

        clickNavigator("insert");
        QCOMPARE(Form2->DBEdit1->text(), QString());
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: -1/3"));
        clickNavigator("cancel");
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 3/3"));

        clickNavigator("insert");
        QTest::keyClicks(Form2->DBEdit1, QStringLiteral("abc"));
        QTest::keyClicks(Form2->DBEdit2, QStringLiteral("Neu"));
        clickNavigator("post");
        // Posting changes no file name shown, so the counter keeps its text.
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: -1/3"));
        QCOMPARE(Form1->Table1->recordCount(), 4);
        QCOMPARE(Form1->Table1->recNo(), 1);

        m_folder->dialogs().setNextConfirm(false);
        clickNavigator("delete");
        QCOMPARE(Form1->Table1->recordCount(), 4);
        m_folder->dialogs().setNextConfirm(true);
        clickNavigator("delete");
        QCOMPARE(Form1->Table1->recordCount(), 3);
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/3"));
        const auto confirms = m_folder->dialogs().messages(ScriptedDialogs::Kind::Confirm);
        QCOMPARE(confirms, (QStringList{QStringLiteral("Datensatz löschen?"), QStringLiteral("Datensatz löschen?")}));
    }

    void anEmptyCatalogueLeavesTheDesignCounter()
    {
        start({});
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 0/0"));
        QVERIFY(Form2->Image1->path().isEmpty());
        click(Form2->SpeedButton9);
        QVERIFY(errors().isEmpty());

        // Edit is offered on the empty table and starts a new record.
        clickNavigator("edit");
        QCOMPARE(Form1->Table1->state(), Dataset::State::Insert);
        QVERIFY(errors().isEmpty());
    }

    void screenshotOrTheFallbackIsShown()
    {
        m_folder = std::make_unique<ProgramFolder>();
        QImage picture(320, 200, QImage::Format_RGB888);
        picture.fill(Qt::darkGreen);
        saveJpeg(picture, m_folder->path(QStringLiteral("screens/lvl002.jpg")));
        m_folder->makeCatalogue(levels(3));
        m_folder->writeKonfig("");
        m_folder->start();

        QCOMPARE(Form2->Image1->path(), m_folder->path(QStringLiteral("nopic.jpg")));
        clickNavigator("next");
        QCOMPARE(Form2->Image1->path(), m_folder->path(QStringLiteral("screens/lvl002.jpg")));

        // Typing a name shows its screenshot as soon as the name is complete.
        clickNavigator("next");
        clickNavigator("edit");
        Form2->DBEdit1->setFocus();
        QTest::keyClick(Form2->DBEdit1, Qt::Key_End);
        QTest::keyClick(Form2->DBEdit1, Qt::Key_Backspace);
        QTest::keyClick(Form2->DBEdit1, Qt::Key_2);
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("lvl002"));
        QCOMPARE(Form2->Image1->path(), m_folder->path(QStringLiteral("screens/lvl002.jpg")));
        clickNavigator("cancel");
        QCOMPARE(Form2->Image1->path(), m_folder->path(QStringLiteral("nopic.jpg")));
    }

    void brokenPicturesKeepThePreviousOneAndTheMoveGoesOn()
    {
        m_folder = std::make_unique<ProgramFolder>();
        QImage picture(64, 64, QImage::Format_RGB888);
        picture.fill(Qt::red);
        saveJpeg(picture, m_folder->path(QStringLiteral("screens/lvl001.jpg")));
        m_folder->writeFile(QStringLiteral("screens/lvl002.jpg"), "not a picture at all");
        // A header claiming 60000 x 60000 pixels.
        QByteArray huge = QByteArray::fromHex("ffd8ffe000104a46494600010100000100010000ffc0000b08ea60ea60010111000ffd9");
        m_folder->writeFile(QStringLiteral("screens/lvl003.jpg"), huge);
        m_folder->makeCatalogue(levels(4));
        m_folder->writeKonfig("");
        m_folder->start();
        const QString first = m_folder->path(QStringLiteral("screens/lvl001.jpg"));
        QCOMPARE(Form2->Image1->path(), first);

        clickNavigator("next");
        QCOMPARE(Form1->Table1->recNo(), 2);
        QCOMPARE(Form2->Image1->path(), first);
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 1/4")); // not updated for this change
        QVERIFY(errors().back().startsWith(QStringLiteral("JPEG-Fehlernr. ")));

        clickNavigator("next");
        QCOMPARE(Form1->Table1->recNo(), 3);
        QCOMPARE(Form2->Image1->path(), first);
        QCOMPARE(errors().size(), 2);

        QFile::remove(m_folder->path(QStringLiteral("nopic.jpg")));
        clickNavigator("next");
        QCOMPARE(Form1->Table1->recNo(), 4);
        QCOMPARE(errors().back(), QStringLiteral("Datei %1 kann nicht geöffnet werden.").arg(m_folder->path(QStringLiteral("nopic.jpg"))));
    }

    void picturesDecodedAheadAreOfTheFilesAsTheyAreNow()
    {
        m_folder = std::make_unique<ProgramFolder>();
        savePlain(Qt::red, m_folder->path(QStringLiteral("screens/lvl001.jpg")));
        savePlain(Qt::green, m_folder->path(QStringLiteral("screens/lvl002.jpg")));
        savePlain(Qt::blue, m_folder->path(QStringLiteral("screens/lvl003.jpg")));
        m_folder->makeCatalogue(levels(4));
        m_folder->writeKonfig("");
        m_folder->start();
        waitForPrefetch();
        QVERIFY(Form2->pictures()->size() >= 3);

        savePlain(Qt::yellow, m_folder->path(QStringLiteral("screens/lvl002.jpg")));
        clickNavigator("next");
        QVERIFY(nearColour(middle(Form2->Image1->image()), Qt::yellow));

        waitForPrefetch();
        // Renamed over the record's picture, as a file manager would.
        QVERIFY(::rename(QFile::encodeName(m_folder->path(QStringLiteral("screens/lvl001.jpg"))).constData(),
                         QFile::encodeName(m_folder->path(QStringLiteral("screens/lvl003.jpg"))).constData())
                == 0);
        clickNavigator("next");
        QCOMPARE(Form2->Image1->path(), m_folder->path(QStringLiteral("screens/lvl003.jpg")));
        QVERIFY(nearColour(middle(Form2->Image1->image()), Qt::red));

        // The name typed over names the picture, whatever was decoded for the record.
        waitForPrefetch();
        clickNavigator("edit");
        Form2->DBEdit1->setFocus();
        QTest::keyClick(Form2->DBEdit1, Qt::Key_End);
        QTest::keyClick(Form2->DBEdit1, Qt::Key_Backspace);
        QTest::keyClick(Form2->DBEdit1, Qt::Key_2);
        QVERIFY(nearColour(middle(Form2->Image1->image()), Qt::yellow));
        clickNavigator("cancel");
        QVERIFY(nearColour(middle(Form2->Image1->image()), Qt::red));
        QVERIFY(errors().isEmpty());
    }

    void theErrorBoxComesOnTheMoveToABrokenPictureNotBefore()
    {
        m_folder = std::make_unique<ProgramFolder>();
        savePlain(Qt::red, m_folder->path(QStringLiteral("screens/lvl001.jpg")));
        savePlain(Qt::green, m_folder->path(QStringLiteral("screens/lvl002.jpg")));
        m_folder->writeFile(QStringLiteral("screens/lvl003.jpg"), "not a picture at all");
        m_folder->makeCatalogue(levels(3));
        m_folder->writeKonfig("");
        m_folder->start();
        waitForPrefetch();
        clickNavigator("next");
        waitForPrefetch();
        QVERIFY(errors().isEmpty());

        clickNavigator("next");
        QCOMPARE(errors().size(), 1);
        QVERIFY(errors().back().startsWith(QStringLiteral("JPEG-Fehlernr. ")));
        QCOMPARE(Form2->Image1->path(), m_folder->path(QStringLiteral("screens/lvl002.jpg")));
        QVERIFY(nearColour(middle(Form2->Image1->image()), Qt::green));
        QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: 2/3"));
    }

    void closingWhileAPictureIsDecodedAhead()
    {
        m_folder = std::make_unique<ProgramFolder>();
        for (const char* name : {"screens/lvl004.jpg", "screens/lvl005.jpg", "screens/lvl006.jpg"})
            saveNoise(m_folder->path(QLatin1String(name)));
        m_folder->makeCatalogue(levels(6));
        m_folder->writeKonfig("");
        m_folder->start();
        waitForPrefetch();
        clickNavigator("last");
        QCoreApplication::processEvents(); // the decode ahead begins
        QVERIFY(Form2->pictures()->isDecoding());
        m_folder->stop();
        QTest::qWait(50);
        QVERIFY(errors().isEmpty());
    }

    void aNameWithASlashNeverLeavesTheScreensFolder()
    {
        m_folder = std::make_unique<ProgramFolder>();
        QImage picture(64, 64, QImage::Format_RGB888);
        picture.fill(Qt::blue);
        saveJpeg(picture, m_folder->path(QStringLiteral("outside.jpg")));
        m_folder->makeCatalogue({levelRecord(QStringLiteral("../outside"), QStringLiteral("Trick"))});
        m_folder->writeKonfig("");
        m_folder->start();
        QCOMPARE(Form2->Image1->path(), m_folder->path(QStringLiteral("nopic.jpg")));
    }

    void clipboardTakesTheFileNameShown()
    {
        start(levels(2));
        click(Form2->SpeedButton2);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("lvl001"));
        clickNavigator("insert");
        click(Form2->SpeedButton2);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    void checkBoxesShowThreeStates()
    {
        start(levels(1));
        QCOMPARE(Form2->DBCheckBox1->checkState(), Qt::Unchecked);
        QCOMPARE(Form2->GrenadeLauncher->checkState(), Qt::Checked);
        QCOMPARE(Form2->Hyperblaster->checkState(), Qt::PartiallyChecked);
        click(Form2->DBCheckBox1); // browsing: nothing changes
        QCOMPARE(Form2->DBCheckBox1->checkState(), Qt::Unchecked);
        clickNavigator("edit");
        click(Form2->Hyperblaster);
        QCOMPARE(Form2->Hyperblaster->checkState(), Qt::Checked);
        clickNavigator("post");
        QCOMPARE(Form1->Table1->text(10), QStringLiteral("Wahr"));
    }

    void randomLevelAlwaysMovesToAnotherRecord()
    {
        start(levels(100));
        Form2->seedRandomLevel(7);
        int previous = Form1->Table1->recNo();
        for (int i = 0; i < 50; ++i) {
            click(Form2->SpeedButton9);
            const int now = Form1->Table1->recNo();
            QVERIFY(now != previous);
            QCOMPARE(Form2->Label8->text(), QStringLiteral("Datensatz: %1/100").arg(now));
            previous = now;
        }
    }

    void randomLevelOnOneRecordStaysThere()
    {
        start(levels(1));
        click(Form2->SpeedButton9);
        QCOMPARE(Form1->Table1->recNo(), 1);
    }

    void randomPicksAreUniformOverTheOtherRecords()
    {
        // Chi-square over 100 records, the current one excluded: 99 cells,
        // 99,000 draws; a fixed seed keeps the test from ever flaking.
        std::mt19937 generator(20261207);
        std::vector<int> counts(101, 0);
        const int current = 37;
        const int draws = 99'000;
        for (int i = 0; i < draws; ++i)
            ++counts[size_t(pickRandomLevel(100, current, generator))];
        QCOMPARE(counts[current], 0);
        QCOMPARE(counts[0], 0);
        double chi = 0;
        for (int r = 1; r <= 100; ++r) {
            if (r == current)
                continue;
            const double expected = draws / 99.0;
            chi += (counts[size_t(r)] - expected) * (counts[size_t(r)] - expected) / expected;
        }
        QVERIFY2(chi < 140.0, qPrintable(QStringLiteral("chi-square %1 with 98 degrees of freedom").arg(chi)));
        QCOMPARE(pickRandomLevel(0, 0, generator), 0);
        QCOMPARE(pickRandomLevel(1, 1, generator), 1);
    }

    void launchesStartTheGameWithItsArguments_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("DM") << "DM" << "+set dmflags 20" << QStringList{"+map", "lvl001", "+set", "deathmatch", "1", "+set", "dmflags", "20"};
        QTest::newRow("CTF") << "CTF" << "" << QStringList{"+map", "lvl001", "+set", "game", "ctf"};
        QTest::newRow("dm is not DM") << "dm" << "" << QStringList{"+map", "lvl001", "+set", "game", "ctf"};
        QTest::newRow("no type") << "" << "" << QStringList{"+map", "lvl001", "+set", "game", "ctf"};
        QTest::newRow("metacharacters stay text") << "DM" << "; touch pwned $(id) `x` | & >" << QStringList{"+map", "lvl001", "+set", "deathmatch", "1", ";", "touch", "pwned", "$(id)", "`x`", "|", "&", ">"};
    }
    void launchesStartTheGameWithItsArguments()
    {
        QFETCH(QString, type);
        QFETCH(QString, extra);
        QFETCH(QStringList, arguments);
        m_folder = std::make_unique<ProgramFolder>();
        QDir(m_folder->path()).mkdir(QStringLiteral("game"));
        installGame(*m_folder);
        m_folder->writeFile(QStringLiteral("maps.txt"), "");
        m_folder->makeCatalogue({levelRecord(QStringLiteral("lvl001"), QStringLiteral("Eins"), type)});
        m_folder->writeKonfig("[Verzeichnisse]\r\nquake=" + m_folder->path(QStringLiteral("game/quake2")).toUtf8()
                              + "\r\neraser=" + m_folder->path(QStringLiteral("maps.txt")).toUtf8()
                              + "\r\n[Other]\r\nparameter=" + extra.toUtf8() + "\r\n");
        m_folder->start();
        QVERIFY(Form2->SpeedButton5->isEnabled());
        click(Form2->SpeedButton5);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_folder->path(QStringLiteral("game/args.txt"))), 5000);
        QCOMPARE(lines(m_folder->readFile(QStringLiteral("game/args.txt"))), arguments);
        QCOMPARE(lines(m_folder->readFile(QStringLiteral("game/pwd.txt"))), QStringList{m_folder->path(QStringLiteral("game"))});
        QVERIFY(!QFile::exists(m_folder->path(QStringLiteral("game/pwned"))));
    }

    void eraserBotLaunchesDeriveOrTakeTheBotCount()
    {
        m_folder = std::make_unique<ProgramFolder>();
        QDir(m_folder->path()).mkdir(QStringLiteral("game"));
        installGame(*m_folder);
        m_folder->writeFile(QStringLiteral("maps.txt"), "");
        m_folder->makeCatalogue({levelRecord(QStringLiteral("lvl001"), QStringLiteral("Eins"), QStringLiteral("DM"), QStringLiteral("6"), QStringLiteral("5"))});
        m_folder->writeKonfig("[Verzeichnisse]\r\nquake=" + m_folder->path(QStringLiteral("game/quake2")).toUtf8()
                              + "\r\neraser=" + m_folder->path(QStringLiteral("maps.txt")).toUtf8() + "\r\n");
        m_folder->start();
        QVERIFY(Form2->SpeedButton7->isEnabled());

        // Max 5 below Min 6: refused, nothing started.
        click(Form2->SpeedButton7);
        QCOMPARE(m_folder->dialogs().shown().back().text, QStringLiteral("Die Spielerangaben sind unlogisch!"));
        QCOMPARE(m_folder->dialogs().shown().back().caption, QStringLiteral("Fehler"));
        QTest::qWait(200);
        QVERIFY(!QFile::exists(m_folder->path(QStringLiteral("game/args.txt"))));

        // A count item neither reads nor checks the player numbers.
        Form2->findChild<QAction*>(QStringLiteral("N51"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_folder->path(QStringLiteral("game/args.txt"))), 5000);
        QCOMPARE(lines(m_folder->readFile(QStringLiteral("game/args.txt"))),
                 (QStringList{"+set", "game", "eraser", "+map", "lvl001", "+bot_num", "5"}));

        QFile::remove(m_folder->path(QStringLiteral("game/args.txt")));
        Form1->Table1->edit();
        Form2->DBEdit4->setFocus();
        QTest::keyClick(Form2->DBEdit4, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(Form2->DBEdit4, QStringLiteral("16"));
        Form2->findChild<QAction*>(QStringLiteral("optimum1"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_folder->path(QStringLiteral("game/args.txt"))), 5000);
        QCOMPARE(lines(m_folder->readFile(QStringLiteral("game/args.txt"))).back(), QStringLiteral("10"));

        // The menu opens on a right release over the button, not beside it.
        QTest::mousePress(Form2->SpeedButton7, Qt::RightButton);
        QTest::mouseRelease(Form2->SpeedButton7, Qt::RightButton, {}, QPoint(-20, 10));
        QVERIFY(!Form2->PopupMenu1->isVisible());
        QTest::mouseClick(Form2->SpeedButton7, Qt::RightButton);
        QTRY_VERIFY(Form2->PopupMenu1->isVisible());
        Form2->PopupMenu1->hide();
    }

    void aLevelNameTheGameWouldSplitIsNotStarted()
    {
        m_folder = std::make_unique<ProgramFolder>();
        QDir(m_folder->path()).mkdir(QStringLiteral("game"));
        installGame(*m_folder);
        m_folder->writeFile(QStringLiteral("maps.txt"), "");
        m_folder->makeCatalogue({levelRecord(QStringLiteral("q +exec a.cfg"), QStringLiteral("Fremd"), QStringLiteral("DM"), QStringLiteral("2"), QStringLiteral("8"))});
        m_folder->writeKonfig("[Verzeichnisse]\r\nquake=" + m_folder->path(QStringLiteral("game/quake2")).toUtf8()
                              + "\r\neraser=" + m_folder->path(QStringLiteral("maps.txt")).toUtf8() + "\r\n");
        m_folder->start();
        const QString message = QStringLiteral("'q +exec a.cfg' ist kein gültiger Level-Name.");
        click(Form2->SpeedButton5);
        click(Form2->SpeedButton7);
        Form2->findChild<QAction*>(QStringLiteral("N51"))->trigger();
        QCOMPARE(errors(), (QStringList{message, message, message}));
        QTest::qWait(200);
        QVERIFY(!QFile::exists(m_folder->path(QStringLiteral("game/args.txt"))));
    }

    void botMenuHoldsTheFixedCounts()
    {
        start(levels(1));
        QCOMPARE(Form2->PopupMenu1->defaultAction(), Form2->optimum1);
        QCOMPARE(Form2->wenig1->actions().size(), 6);
        QCOMPARE(Form2->mittel1->actions().size(), 8);
        QCOMPARE(Form2->viel1->actions().size(), 8);
        QCOMPARE(Form2->viel1->actions().back()->text(), QStringLiteral("60 Bots"));
        QCOMPARE(Form2->wenig1->actions().front()->text(), QStringLiteral("1 Bot"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainWindowTest.moc"
