#include "config/options.h"
#include "maplist/maplister.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <sys/stat.h>

using namespace tolvex;

namespace {

const QByteArray kMapList = "q2dm1\r\nq2dm3\n; keep\r\n";

void click(QWidget* w)
{
    QTest::mouseClick(w, Qt::LeftButton);
}

QStringList entries()
{
    QStringList texts;
    for (int i = 0; i < mapform->ListBox1->count(); ++i)
        texts << mapform->ListBox1->item(i)->text();
    return texts;
}

void clickEntry(int row)
{
    QListWidget* list = mapform->ListBox1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

void chmodPath(const QString& path, mode_t mode)
{
    ::chmod(QFile::encodeName(path).constData(), mode);
}

} // namespace

class MapListEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;

    void start(const std::vector<QStringList>& levels = {levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge")),
                                                         levelRecord(QStringLiteral("q2ctf1"), QStringLiteral("McKinley"))})
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue(levels);
        QDir(m_folder->path()).mkdir(QStringLiteral("eraser"));
        m_folder->writeFile(QStringLiteral("eraser/maps.txt"), kMapList);
        configure(listPath());
        m_folder->start();
    }

    void configure(const QString& mapList) const
    {
        m_folder->writeKonfig("[Verzeichnisse]\r\neraser=" + mapList.toUtf8() + "\r\n[Other]\r\nsprache=deutsch\r\n");
    }

    [[nodiscard]] QString listPath() const { return m_folder->path(QStringLiteral("eraser/maps.txt")); }
    [[nodiscard]] QByteArray listFile() const { return m_folder->readFile(QStringLiteral("eraser/maps.txt")); }
    [[nodiscard]] QStringList errors() const { return m_folder->dialogs().messages(ScriptedDialogs::Kind::Error); }

private Q_SLOTS:
    void cleanup() { m_folder.reset(); }

    void showingLoadsTheFileAndPressesTheToggle()
    {
        start();
        QVERIFY(Form2->SpeedButton4->isEnabled());
        click(Form2->SpeedButton4);
        QVERIFY(mapform->isVisible());
        QVERIFY(Form2->SpeedButton4->isDown());
        QCOMPARE(entries(), (QStringList{QStringLiteral("q2dm1"), QStringLiteral("q2dm3"), QStringLiteral("; keep")}));
        QVERIFY(mapform->ListBox1->selectedItems().isEmpty());
    }

    void appendingTheSameLevelTwiceGivesTwoEntries()
    {
        start();
        click(Form2->SpeedButton4);
        clickEntry(0);
        click(mapform->SpeedButton1);
        click(mapform->SpeedButton1);
        QCOMPARE(entries().mid(3), (QStringList{QStringLiteral("q2ctf1"), QStringLiteral("q2ctf1")}));
        QCOMPARE(mapform->ListBox1->currentRow(), 0); // the selection stays

        click(mapform->SpeedButton3);
        QCOMPARE(listFile(), QByteArray("q2dm1\r\nq2dm3\r\n; keep\r\nq2ctf1\r\nq2ctf1\r\n"));
        QVERIFY(!mapform->isVisible());
        QVERIFY(!Form2->SpeedButton4->isDown());
        QVERIFY(errors().isEmpty());
    }

    void aRestoreByTheWindowSystemKeepsUnsavedEntries()
    {
        start();
        click(Form2->SpeedButton4);
        click(mapform->SpeedButton1);
        mapform->setWindowState(Qt::WindowMinimized);
        mapform->setWindowState(Qt::WindowNoState);
        QVERIFY(mapform->isVisible());
        QCOMPARE(entries().size(), 4);
        QCOMPARE(entries().back(), QStringLiteral("q2ctf1"));
        QVERIFY(Form2->SpeedButton4->isDown());
    }

    void appendingWithoutARecordSavesAnEmptyLine()
    {
        start({});
        click(Form2->SpeedButton4);
        click(mapform->SpeedButton1);
        QCOMPARE(entries().size(), 4);
        QCOMPARE(entries().back(), QString());
        click(mapform->SpeedButton3);
        QCOMPARE(listFile(), QByteArray("q2dm1\r\nq2dm3\r\n; keep\r\n\r\n"));
    }

    void removingTakesOnlyTheSelectedEntry()
    {
        start();
        click(Form2->SpeedButton4);
        click(mapform->SpeedButton2); // nothing selected yet
        QCOMPARE(entries().size(), 3);
        clickEntry(1);
        click(mapform->SpeedButton2);
        QCOMPARE(entries(), (QStringList{QStringLiteral("q2dm1"), QStringLiteral("; keep")}));
        click(mapform->SpeedButton2); // the removed entry took the selection with it
        QCOMPARE(entries().size(), 2);
        clickEntry(1);
        click(mapform->SpeedButton2);
        clickEntry(0);
        click(mapform->SpeedButton2);
        QCOMPARE(entries(), QStringList());

        click(mapform->SpeedButton3);
        QCOMPARE(listFile(), QByteArray());
        QVERIFY(QFile::exists(listPath()));
    }

    void closingWithoutSavingDiscardsTheChanges_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("SpeedButton4") << QStringLiteral("button");
        QTest::newRow("close box") << QStringLiteral("close box");
        QTest::newRow("main window's toggle") << QStringLiteral("toggle");
    }

    void closingWithoutSavingDiscardsTheChanges()
    {
        QFETCH(QString, how);
        start();
        click(Form2->SpeedButton4);
        click(mapform->SpeedButton1);
        clickEntry(0);
        click(mapform->SpeedButton2);
        if (how == QLatin1String("button"))
            click(mapform->SpeedButton4);
        else if (how == QLatin1String("close box"))
            mapform->close();
        else
            click(Form2->SpeedButton4);
        QVERIFY(!mapform->isVisible());
        QVERIFY(!Form2->SpeedButton4->isDown());
        QCOMPARE(listFile(), kMapList);

        click(Form2->SpeedButton4);
        QCOMPARE(entries(), (QStringList{QStringLiteral("q2dm1"), QStringLiteral("q2dm3"), QStringLiteral("; keep")}));
    }

    void savingWritesToThePathConfiguredMeanwhile()
    {
        start();
        click(Form2->SpeedButton4);
        click(mapform->SpeedButton1);
        const QString newPath = m_folder->path(QStringLiteral("eraser/rotation.txt"));
        bool done = false;
        m_folder->onKonfigDialog = [&] {
            if (std::exchange(done, true))
                return;
            KonfigForm->Edit3->setText(newPath);
            click(KonfigForm->BitBtn1);
        };
        click(Form2->SpeedButton3);
        QVERIFY(done);
        QVERIFY(mapform->isVisible());

        click(mapform->SpeedButton3);
        QCOMPARE(m_folder->readFile(QStringLiteral("eraser/rotation.txt")),
                 QByteArray("q2dm1\r\nq2dm3\r\n; keep\r\nq2ctf1\r\n"));
        QCOMPARE(listFile(), kMapList);
        QVERIFY(!mapform->isVisible());
    }

    void aFileThatCannotBeOpenedLeavesTheListAsItWas()
    {
        start();
        click(Form2->SpeedButton4);
        click(mapform->SpeedButton1);
        click(mapform->SpeedButton4);
        QFile::remove(listPath());

        mapform->show();
        QVERIFY(mapform->isVisible());
        QCOMPARE(errors(), QStringList{QStringLiteral("Datei %1 kann nicht geöffnet werden.").arg(listPath())});
        // Not reloaded: what the window held, the discarded entry included.
        QCOMPARE(entries(), (QStringList{QStringLiteral("q2dm1"), QStringLiteral("q2dm3"), QStringLiteral("; keep"),
                                         QStringLiteral("q2ctf1")}));
        QVERIFY(!Form2->SpeedButton4->isDown());
    }

    void anEmptyPathAtTheFirstShowingGivesAnEmptyList()
    {
        start();
        configure(QString());
        mapform->show();
        QVERIFY(mapform->isVisible());
        QCOMPARE(errors(), QStringList{QStringLiteral("Datei  kann nicht geöffnet werden.")});
        QCOMPARE(entries(), QStringList());
        QVERIFY(!Form2->SpeedButton4->isDown());
    }

    void aSaveThatCannotCreateTheFileKeepsWindowListAndFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("protect");
        QTest::newRow("missing folder") << QStringLiteral("gone/maps.txt") << QString();
        QTest::newRow("empty path") << QString() << QString();
        QTest::newRow("read-only file") << QStringLiteral("eraser/maps.txt") << QStringLiteral("eraser/maps.txt");
        QTest::newRow("new file in a read-only folder") << QStringLiteral("eraser/new.txt") << QStringLiteral("eraser");
    }

    void aSaveThatCannotCreateTheFileKeepsWindowListAndFile()
    {
        QFETCH(QString, target);
        QFETCH(QString, protect);
        start();
        click(Form2->SpeedButton4);
        click(mapform->SpeedButton1);
        const QString targetPath = target.isEmpty() ? QString() : m_folder->path(target);
        configure(targetPath);
        if (!protect.isEmpty())
            chmodPath(m_folder->path(protect), protect.endsWith(QLatin1String(".txt")) ? 0444 : 0555);

        click(mapform->SpeedButton3);
        if (!protect.isEmpty())
            chmodPath(m_folder->path(protect), protect.endsWith(QLatin1String(".txt")) ? 0644 : 0755);

        QCOMPARE(errors(), QStringList{QStringLiteral("Datei %1 kann nicht erstellt werden.").arg(targetPath)});
        QVERIFY(mapform->isVisible());
        QVERIFY(Form2->SpeedButton4->isDown());
        QCOMPARE(entries().size(), 4);
        QCOMPARE(listFile(), kMapList);
        QCOMPARE(QDir(m_folder->path(QStringLiteral("eraser"))).entryList(QDir::Files), QStringList{QStringLiteral("maps.txt")});
    }

    void windowIsASizeableToolWindowWithAButtonStrip()
    {
        start();
        QCOMPARE(mapform->windowTitle(), QStringLiteral("EraserBot Maplist"));
        QVERIFY(mapform->windowFlags().testFlag(Qt::Tool));
        QVERIFY(mapform->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(mapform->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(mapform->minimumSize() != mapform->maximumSize());

        click(Form2->SpeedButton4);
        const QRect outer = outerGeometry(mapform);
        QCOMPARE(outer.size(), QSize(186, 210));
        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        QCOMPARE(outer.topLeft(), QPoint(qMax(0, (desktop.width() - 186) / 2), qMax(0, (desktop.height() - 210) / 2)));

        const auto checkStrip = [] {
            const QSize client = mapform->size();
            QCOMPARE(mapform->Panel1->geometry(), QRect(client.width() - 35, 0, 35, client.height()));
            QCOMPARE(mapform->ListBox1->geometry(), QRect(0, 0, client.width() - 35, client.height()));
        };
        checkStrip();
        QList<QRect> buttons;
        QStringList hints;
        for (const SpeedButton* b : {mapform->SpeedButton1, mapform->SpeedButton2, mapform->SpeedButton3, mapform->SpeedButton4}) {
            buttons << b->geometry();
            hints << b->hint();
        }
        QCOMPARE(buttons, (QList<QRect>{{8, 4, 23, 22}, {8, 32, 23, 22}, {8, 60, 23, 22}, {8, 88, 23, 22}}));
        QCOMPARE(hints, (QStringList{QStringLiteral("Level hinzufügen"), QStringLiteral("Level entfernen"),
                                     QStringLiteral("Fenster schließen und speichern"),
                                     QStringLiteral("Fenster schließen ohne Speichern")}));
        QCOMPARE(mapform->ListBox1->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!mapform->ListBox1->isSortingEnabled());

        mapform->resize(mapform->width() + 120, mapform->height() + 60);
        checkStrip();
    }
};

QTEST_MAIN(MapListEditorTest)
#include "mapListEditorTest.moc"
