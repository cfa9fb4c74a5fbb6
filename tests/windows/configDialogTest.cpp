#include "config/options.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"
#include "platform/files/ProfileFile.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace tolvex;

namespace {

const std::vector<QStringList> kLevels = {levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge"))};

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

void clearByKeys(QLineEdit* edit)
{
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
}

void setReadOnly(const QString& path, bool readOnly)
{
    ::chmod(QFile::encodeName(path).constData(), readOnly ? 0444 : 0644);
}

struct ButtonStates {
    bool game;
    bool mapList;
    bool bots;
    bool operator==(const ButtonStates&) const = default;
};

ButtonStates mainWindowButtons()
{
    return {Form2->SpeedButton5->isEnabled(), Form2->SpeedButton4->isEnabled(), Form2->SpeedButton7->isEnabled()};
}

char* toString(const ButtonStates& s)
{
    return QTest::toString(QStringLiteral("game %1, map list %2, bots %3").arg(s.game).arg(s.mapList).arg(s.bots));
}

} // namespace

class ConfigDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;

    // Both configured files exist, so all three buttons start enabled.
    void startWithBothFiles(const QByteArray& language = "deutsch")
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue(kLevels);
        QDir(m_folder->path()).mkdir(QStringLiteral("game"));
        QDir(m_folder->path()).mkdir(QStringLiteral("eraser"));
        m_folder->writeFile(QStringLiteral("game/quake2"), "#!/bin/sh\n");
        m_folder->writeFile(QStringLiteral("eraser/maps.txt"), "q2dm1\r\n");
        m_folder->writeKonfig("[Verzeichnisse]\r\nquake=" + path("game/quake2").toUtf8() + "\r\neraser="
                              + path("eraser/maps.txt").toUtf8() + "\r\n[Other]\r\nparameter=+set dmflags 20\r\nsprache="
                              + language + "\r\n");
        m_folder->start();
    }

    [[nodiscard]] QString path(const char* name) const { return m_folder->path(QLatin1String(name)); }

    // Opens the dialog from the main window's button and runs the user's part
    // once while it is up; that part must close the dialog.
    void withDialog(const std::function<void()>& user)
    {
        bool done = false;
        m_folder->onKonfigDialog = [&done, &user] {
            if (!std::exchange(done, true))
                user();
        };
        click(Form2->SpeedButton3);
        m_folder->onKonfigDialog = nullptr;
        QVERIFY(done);
        QVERIFY(!KonfigForm->isVisible());
    }

    [[nodiscard]] QString konfigValue(const char* section, const char* key) const
    {
        const ProfileFile ini(path("konfig.ini"));
        return ini.readString(QLatin1String(section), QLatin1String(key), QStringLiteral("<missing>"));
    }

    [[nodiscard]] QStringList errors() const { return m_folder->dialogs().messages(ScriptedDialogs::Kind::Error); }

private Q_SLOTS:
    void cleanup() { m_folder.reset(); }

    void firstStartStoresTheFourKeys_data()
    {
        QTest::addColumn<bool>("pressEnglish");
        QTest::addColumn<QString>("stored");
        QTest::newRow("as offered") << false << QStringLiteral("deutsch");
        QTest::newRow("english pressed") << true << QStringLiteral("english");
    }

    void firstStartStoresTheFourKeys()
    {
        QFETCH(bool, pressEnglish);
        QFETCH(QString, stored);
        QStringList fields;
        bool germanDown = false;
        bool englishDown = true;
        QString mainLabel;
        QString caption;
        bool openAfterEscape = false;
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue(kLevels);
        m_folder->onKonfigDialog = [&] {
            if (!fields.isEmpty())
                return;
            fields << KonfigForm->Edit1->text() << KonfigForm->Edit2->text() << KonfigForm->Edit3->text();
            germanDown = KonfigForm->SpeedButton3->isDown();
            englishDown = KonfigForm->SpeedButton4->isDown();
            if (pressEnglish)
                click(KonfigForm->SpeedButton4);
            // No way out but OK, also at the first start.
            QTest::keyClick(KonfigForm->Edit1, Qt::Key_Escape);
            openAfterEscape = KonfigForm->isVisible();
            // The language changes at once, before OK.
            mainLabel = Form2->Xdateiname->text();
            caption = KonfigForm->windowTitle();
            click(KonfigForm->BitBtn1);
        };
        m_folder->start();

        QCOMPARE(fields, (QStringList{QString(), QString(), QString()}));
        QVERIFY(openAfterEscape);
        QVERIFY(germanDown);
        QVERIFY(!englishDown);
        QCOMPARE(mainLabel, pressEnglish ? QStringLiteral("Filename") : QStringLiteral("Datei-Name"));
        QCOMPARE(caption, pressEnglish ? QStringLiteral("Configuration") : QStringLiteral("Konfiguration"));

        const QByteArray text = m_folder->readFile(QStringLiteral("konfig.ini"));
        QStringList keys;
        for (const QByteArray& line : text.split('\n')) {
            if (!line.trimmed().isEmpty())
                keys << QString::fromLatin1(line.trimmed());
        }
        QCOMPARE(keys, (QStringList{QStringLiteral("[Verzeichnisse]"), QStringLiteral("quake="),
                                    QStringLiteral("eraser="), QStringLiteral("[Other]"),
                                    QStringLiteral("parameter="), QStringLiteral("sprache=") + stored}));
        QCOMPARE(mainWindowButtons(), (ButtonStates{false, false, false}));
        QVERIFY(errors().isEmpty());
    }

    void storedLanguageSetsTheButtonsWithoutApplyingIt_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<bool>("englishDown");
        QTest::addColumn<QString>("storedByOk");
        QTest::newRow("english") << QByteArray("english") << true << QStringLiteral("english");
        QTest::newRow("capital E is not english") << QByteArray("English") << false << QStringLiteral("deutsch");
        QTest::newRow("capitals") << QByteArray("ENGLISH") << false << QStringLiteral("deutsch");
        QTest::newRow("deutsch") << QByteArray("deutsch") << false << QStringLiteral("deutsch");
    }

    void storedLanguageSetsTheButtonsWithoutApplyingIt()
    {
        QFETCH(QByteArray, language);
        QFETCH(bool, englishDown);
        QFETCH(QString, storedByOk);
        startWithBothFiles(language);
        const QString labelBefore = Form2->Xdateiname->text();
        bool germanButton = false;
        bool englishButton = false;
        QStringList fields;
        QString labelWhileOpen;
        withDialog([&] {
            germanButton = KonfigForm->SpeedButton3->isDown();
            englishButton = KonfigForm->SpeedButton4->isDown();
            fields << KonfigForm->Edit1->text() << KonfigForm->Edit2->text() << KonfigForm->Edit3->text();
            labelWhileOpen = Form2->Xdateiname->text();
            click(KonfigForm->BitBtn1);
        });
        QCOMPARE(englishButton, englishDown);
        QCOMPARE(germanButton, !englishDown);
        QCOMPARE(fields, (QStringList{path("game/quake2"), QStringLiteral("+set dmflags 20"), path("eraser/maps.txt")}));
        QCOMPARE(labelWhileOpen, labelBefore);
        QCOMPARE(konfigValue("Other", "sprache"), storedByOk);
        QCOMPARE(konfigValue("Other", "parameter"), QStringLiteral("+set dmflags 20"));
    }

    void languageButtonsSwitchAtOnceAndOnlyOkStoresTheChoice()
    {
        startWithBothFiles();
        QStringList labels;
        bool germanStaysDown = false;
        withDialog([&] {
            click(KonfigForm->SpeedButton3); // already down: German again, nothing else
            germanStaysDown = KonfigForm->SpeedButton3->isDown() && !KonfigForm->SpeedButton4->isDown();
            labels << Form2->Xdateiname->text();
            click(KonfigForm->SpeedButton4);
            labels << Form2->Xdateiname->text() << KonfigForm->Label2->text();
            click(KonfigForm->SpeedButton4);
            labels << QString::number(KonfigForm->SpeedButton4->isDown());
            // Applied at once, stored only by OK.
            labels << konfigValue("Other", "sprache");
            QTest::keyClick(KonfigForm->Edit1, Qt::Key_Return);
        });
        QVERIFY(germanStaysDown);
        QCOMPARE(labels, (QStringList{QStringLiteral("Datei-Name"), QStringLiteral("Filename"),
                                      QStringLiteral("Position of Quake (e.g. c:\\quake2\\quake2.exe):"),
                                      QStringLiteral("1"), QStringLiteral("deutsch")}));
        QCOMPARE(konfigValue("Other", "sprache"), QStringLiteral("english"));
        QCOMPARE(Form2->Xdateiname->text(), QStringLiteral("Filename"));

        withDialog([&] {
            labels = QStringList{QString::number(KonfigForm->SpeedButton4->isDown())};
            click(KonfigForm->SpeedButton3);
            QTest::keyClick(KonfigForm->Edit1, Qt::Key_Return);
        });
        QCOMPARE(labels, QStringList{QStringLiteral("1")}); // refilled from the file
        QCOMPARE(konfigValue("Other", "sprache"), QStringLiteral("deutsch"));
    }

    void onlyOkLeavesTheDialogAndARestoreKeepsTheTyping()
    {
        startWithBothFiles();
        const QByteArray before = m_folder->readFile(QStringLiteral("konfig.ini"));
        QStringList seen;
        withDialog([&] {
            QTest::keyClicks(KonfigForm->Edit2, QStringLiteral(" +set fraglimit 10"));
            QTest::keyClick(KonfigForm->Edit2, Qt::Key_Escape);
            KonfigForm->windowHandle()->close(); // the window manager's close request
            // Minimised and restored by the window system: the fields are not refilled.
            KonfigForm->setWindowState(Qt::WindowMinimized);
            KonfigForm->setWindowState(Qt::WindowNoState);
            seen << QString::number(KonfigForm->isVisible()) << KonfigForm->Edit2->text()
                 << QString::number(m_folder->readFile(QStringLiteral("konfig.ini")) == before);
            click(KonfigForm->BitBtn1);
        });
        QCOMPARE(seen, (QStringList{"1", "+set dmflags 20 +set fraglimit 10", "1"}));
        QCOMPARE(konfigValue("Other", "parameter"), QStringLiteral("+set dmflags 20 +set fraglimit 10"));
    }

    void okDecidesTheMainWindowButtonsByExistingFiles_data()
    {
        QTest::addColumn<QString>("quake");
        QTest::addColumn<QString>("eraser");
        QTest::addColumn<bool>("game");
        QTest::addColumn<bool>("mapList");
        QTest::addColumn<bool>("bots");
        QTest::newRow("both exist") << "game/quake2" << "eraser/maps.txt" << true << true << true;
        QTest::newRow("map list not made yet") << "game/quake2" << "eraser/new.txt" << true << false << false;
        QTest::newRow("map list is a folder") << "game/quake2" << "eraser" << true << false << false;
        QTest::newRow("game emptied") << "" << "eraser/maps.txt" << false << true << false;
        QTest::newRow("game missing") << "game/quake3" << "eraser/maps.txt" << false << true << false;
    }

    void okDecidesTheMainWindowButtonsByExistingFiles()
    {
        QFETCH(QString, quake);
        QFETCH(QString, eraser);
        QFETCH(bool, game);
        QFETCH(bool, mapList);
        QFETCH(bool, bots);
        startWithBothFiles();
        const QString quakePath = quake.isEmpty() ? QString() : m_folder->path(quake);
        const QString eraserPath = m_folder->path(eraser);
        withDialog([&] {
            clearByKeys(KonfigForm->Edit1);
            QTest::keyClicks(KonfigForm->Edit1, quakePath);
            KonfigForm->Edit3->setText(eraserPath);
            click(KonfigForm->BitBtn1);
        });
        QCOMPARE(mainWindowButtons(), (ButtonStates{game, mapList, bots}));
        QCOMPARE(konfigValue("Verzeichnisse", "quake"), quakePath);
        QCOMPARE(konfigValue("Verzeichnisse", "eraser"), eraserPath);
        QVERIFY(errors().isEmpty());
    }

    void aReadOnlyConfigurationClosesTheDialogAndKeepsTheButtons()
    {
        startWithBothFiles();
        const QByteArray before = m_folder->readFile(QStringLiteral("konfig.ini"));
        setReadOnly(path("konfig.ini"), true);
        withDialog([&] {
            clearByKeys(KonfigForm->Edit1);
            KonfigForm->Edit3->clear();
            click(KonfigForm->BitBtn1);
        });
        setReadOnly(path("konfig.ini"), false);
        QCOMPARE(errors(), QStringList{QStringLiteral("nach %1 kann nicht geschrieben werden.").arg(path("konfig.ini"))});
        QCOMPARE(m_folder->readFile(QStringLiteral("konfig.ini")), before);
        QCOMPARE(mainWindowButtons(), (ButtonStates{true, true, true}));
        QVERIFY(Form2->isEnabled());
    }

    void aFailedFlushKeepsTheButtonsAndShowsTheError()
    {
        startWithBothFiles();
        const QByteArray before = m_folder->readFile(QStringLiteral("konfig.ini"));
        withDialog([&] {
            clearByKeys(KonfigForm->Edit1);
            // A file size limit stands in for a full disk: every key is
            // written in memory, the flush is what fails.
            rlimit old{};
            ::getrlimit(RLIMIT_FSIZE, &old);
            const rlimit tiny{16, old.rlim_max};
            ::setrlimit(RLIMIT_FSIZE, &tiny);
            click(KonfigForm->BitBtn1);
            ::setrlimit(RLIMIT_FSIZE, &old);
        });
        QCOMPARE(errors(), QStringList{QStringLiteral("nach %1 kann nicht geschrieben werden.").arg(path("konfig.ini"))});
        QCOMPARE(m_folder->readFile(QStringLiteral("konfig.ini")), before);
        QCOMPARE(mainWindowButtons(), (ButtonStates{true, true, true}));
        QVERIFY(Form2->isEnabled());
    }

    void browsingForTheGame()
    {
        startWithBothFiles();
        const QString chosen = path("game/quake2.exe");
        QStringList texts;
        withDialog([&] {
            KonfigForm->Edit1->setText(QStringLiteral("typed"));
            m_folder->dialogs().setNextOpenFile(std::nullopt);
            click(KonfigForm->SpeedButton1);
            texts << KonfigForm->Edit1->text();
            m_folder->dialogs().setNextOpenFile(chosen);
            click(KonfigForm->SpeedButton1);
            texts << KonfigForm->Edit1->text() << KonfigForm->Edit3->text();
            click(KonfigForm->BitBtn1);
        });
        QCOMPARE(texts, (QStringList{QStringLiteral("typed"), chosen, path("eraser/maps.txt")}));
        QCOMPARE(konfigValue("Verzeichnisse", "quake"), chosen);

        const auto shown = m_folder->dialogs().shown();
        QCOMPARE(shown.size(), std::size_t(2));
        const FileDialogOptions& options = shown.front().fileOptions;
        QCOMPARE(shown.front().kind, ScriptedDialogs::Kind::OpenFile);
        QCOMPARE(options.title, QStringLiteral("Quake-Position"));
        QStringList filters;
        for (const FileFilter& f : options.filters)
            filters << f.name + u'|' + f.pattern;
        QCOMPARE(filters, (QStringList{QStringLiteral("Quake 2|quake2; yquake2; q2pro; kmquake2; quake2.exe"),
                                       QStringLiteral("Quake 1|quake; quakespasm; vkquake; quake.exe; glquake.exe"),
                                       QStringLiteral("Programme|*"), QStringLiteral("alle Dateien|*")}));
        QVERIFY(options.filters[2].executablesOnly);
        QCOMPARE(options.defaultSuffix, QString());
        QVERIFY(options.fileMustExist);
    }

    void browsingForTheMapListMayNameANewFile()
    {
        startWithBothFiles();
        QStringList texts;
        withDialog([&] {
            m_folder->dialogs().setNextOpenFile(std::nullopt);
            click(KonfigForm->SpeedButton2);
            texts << KonfigForm->Edit3->text();
            m_folder->dialogs().setNextOpenFile(path("eraser/rotation"));
            click(KonfigForm->SpeedButton2);
            texts << KonfigForm->Edit3->text() << KonfigForm->Edit1->text();
            click(KonfigForm->BitBtn1);
        });
        QCOMPARE(texts, (QStringList{path("eraser/maps.txt"), path("eraser/rotation"), path("game/quake2")}));
        QCOMPARE(konfigValue("Verzeichnisse", "eraser"), path("eraser/rotation"));
        QCOMPARE(mainWindowButtons(), (ButtonStates{true, false, false}));

        const FileDialogOptions& options = m_folder->dialogs().shown().back().fileOptions;
        QCOMPARE(options.title, QString());
        QStringList filters;
        for (const FileFilter& f : options.filters)
            filters << f.name + u'|' + f.pattern;
        QCOMPARE(filters, (QStringList{QStringLiteral("EraserBot Maplist|maps.txt"), QStringLiteral("Text-Dateien|*.txt"),
                                       QStringLiteral("alle Dateien|*")}));
        QCOMPARE(options.defaultSuffix, QString());
        QVERIFY(!options.fileMustExist);
    }

    void charactersKonfigCannotHoldAreRefused()
    {
        startWithBothFiles();
        QStringList texts;
        withDialog([&] {
            for (const QChar c : QStringLiteral(" ł€")) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(KonfigForm->Edit2, &press);
            }
            KonfigForm->Edit3->insert(QStringLiteral("/łódź"));
            texts << KonfigForm->Edit2->text() << KonfigForm->Edit3->text();
            m_folder->dialogs().setNextOpenFile(m_folder->path(QStringLiteral("łódź/quake2.exe")));
            click(KonfigForm->SpeedButton1);
            texts << KonfigForm->Edit1->text();
            click(KonfigForm->BitBtn1);
        });
        QCOMPARE(texts, (QStringList{QStringLiteral("+set dmflags 20 €"), path("eraser/maps.txt"), path("game/quake2")}));
        QCOMPARE(errors(), QStringList{QStringLiteral("Das Zeichen 'ł' im Pfad %1 kann nicht gespeichert werden.")
                                           .arg(m_folder->path(QStringLiteral("łódź/quake2.exe")))});
        QCOMPARE(konfigValue("Other", "parameter"), QStringLiteral("+set dmflags 20 €"));
        QCOMPARE(konfigValue("Verzeichnisse", "quake"), path("game/quake2"));
    }

    void closingEnablesTheMainWindow()
    {
        startWithBothFiles();
        withDialog([&] {
            Form2->setEnabled(false);
            click(KonfigForm->BitBtn1);
        });
        QVERIFY(Form2->isEnabled());
    }

    void tabRunsThroughTheFieldsAndOk()
    {
        startWithBothFiles();
        QList<QWidget*> focus;
        withDialog([&] {
            KonfigForm->Edit1->setFocus();
            focus << KonfigForm->focusWidget();
            for (int i = 0; i < 3; ++i) {
                QTest::keyClick(KonfigForm->focusWidget(), Qt::Key_Tab);
                focus << KonfigForm->focusWidget();
            }
            click(KonfigForm->BitBtn1);
        });
        QCOMPARE(focus, (QList<QWidget*>{KonfigForm->Edit1, KonfigForm->Edit2, KonfigForm->BitBtn1, KonfigForm->Edit3}));
    }

    void dialogIsAFixedFrameWithoutButtonsOnTop()
    {
        startWithBothFiles();
        QRect outer;
        withDialog([&] {
            outer = outerGeometry(KonfigForm);
            click(KonfigForm->BitBtn1);
        });
        QCOMPARE(KonfigForm->windowTitle(), QStringLiteral("Konfiguration"));
        const Qt::WindowFlags flags = KonfigForm->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinMaxButtonsHint));
        QCOMPARE(KonfigForm->size(), QSize(342, 195));
        QCOMPARE(KonfigForm->minimumSize(), KonfigForm->maximumSize());
        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        QCOMPARE(outer.topLeft(), QPoint(qMax(0, (desktop.width() - outer.width()) / 2),
                                         qMax(0, (desktop.height() - outer.height()) / 2)));
        QVERIFY(KonfigForm->BitBtn1->isDefault());
        QCOMPARE(KonfigForm->SpeedButton3->hint(), QStringLiteral("deutsche Benutzeroberfläche"));
        QCOMPARE(KonfigForm->SpeedButton4->hint(), QStringLiteral("english Userinterface"));
    }
};

QTEST_MAIN(ConfigDialogTest)
#include "configDialogTest.moc"
