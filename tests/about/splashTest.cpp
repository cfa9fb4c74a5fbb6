#include "about/splashunit.h"
#include "catalogue/LevelTable.h"
#include "common/Product.h"
#include "common/toolbox.h"
#include "config/options.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/design/WindowFrame.h"
#include "platform/pictures/JpegImage.h"
#include "platform/pictures/PictureBox.h"
#include "shell/EingabeMaske.h"
#include "shell/WindowSet.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace tolvex;

namespace {

const std::vector<QStringList> kLevels = {
    levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge")),
    levelRecord(QStringLiteral("q2dm2"), QStringLiteral("Tokay's Towers")),
};

// What the start-up looked like while the splash was up and right after it.
struct StartUpTrace {
    bool splashSeen = false;
    bool splashModal = false;
    bool tableOpenDuringSplash = false;
    bool dialogDuringSplash = false;
    bool dialogCame = false;
    bool splashUpWithDialog = false;
    qint64 dialogAfterMs = -1;
};

} // namespace

class SplashTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splashHasItsDesignLayout()
    {
        ProgramFolder folder;
        createWindowSet();
        const auto cleanup = qScopeGuard([] { destroyWindowSet(); });

        QVERIFY(splash->Timer1->isActive()); // running from the window's creation
        QCOMPARE(splash->Timer1->interval(), 3000);
        QCOMPARE(splash->Label1->text(), QStringLiteral("Version 1.0.0 (Build 0)"));

        splash->show();
        const Qt::WindowFlags flags = splash->windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(splash->size(), QSize(541, 237));
        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        const QRect outer = outerGeometry(splash);
        QCOMPARE(outer.topLeft(), QPoint(qMax(0, desktop.x() + (desktop.width() - outer.width()) / 2),
                                         qMax(0, desktop.y() + (desktop.height() - outer.height()) / 2)));

        QCOMPARE(splash->Image1->geometry(), QRect(0, 0, 541, 237));
        QVERIFY(!splash->Image1->stretch());
        QCOMPARE(splash->Image1->image().size(), QSize(541, 271));
        // Unscaled from the top-left corner: the window shows the picture's top rows as they are.
        const QImage picture = loadJpeg(QStringLiteral(":/splash.jpg")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(splash->Image1->grab().toImage().convertToFormat(QImage::Format_RGB32), picture.copy(0, 0, 541, 237));

        struct Overlay {
            QLabel* label;
            QPoint at;
            int pixels;
            QColor colour;
        };
        for (const Overlay& o : {Overlay{splash->Label1, {204, 196}, 16, Qt::yellow}, Overlay{splash->Label2, {228, 220}, 11, Qt::blue}}) {
            QCOMPARE(o.label->pos(), o.at);
            QCOMPARE(o.label->font().family(), QStringLiteral("MS Sans Serif"));
            QCOMPARE(o.label->font().pixelSize(), o.pixels);
            QCOMPARE(o.label->palette().color(QPalette::WindowText), o.colour);
            QVERIFY(!o.label->autoFillBackground());
            QVERIFY(o.label->width() >= o.label->sizeHint().width()); // sized to its text
        }
        QCOMPARE(splash->Label2->text(), u'[' + QString::fromLatin1(kWebAddress) + u']');
        // The picture shows through around the letters.
        const QImage window = splash->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (const QLabel* label : {splash->Label1, splash->Label2})
            QCOMPARE(window.pixel(label->geometry().topLeft()), picture.pixel(label->geometry().topLeft()));
        // The show writes the running program's version over the design text.
        QCOMPARE(splash->Label1->text(), VersionText());
        QVERIFY(splash->Label1->text().startsWith(QStringLiteral("Version: ")));
    }

    void splashClosesByItselfAfterItsTimeAndOnlyThenTheStartUpGoesOn()
    {
        ProgramFolder folder;
        folder.makeCatalogue(kLevels); // no konfig.ini: a first start
        folder.leaveSplash = true;
        StartUpTrace trace;
        QElapsedTimer clock;
        QTimer watcher;
        watcher.setInterval(10);
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (!splash)
                return;
            if (splash->isVisible()) {
                trace.splashSeen = true;
                trace.splashModal = trace.splashModal || QApplication::activeModalWidget() == splash;
                trace.tableOpenDuringSplash = trace.tableOpenDuringSplash || Form1->Table1->isOpen();
                trace.dialogDuringSplash = trace.dialogDuringSplash || KonfigForm->isVisible();
            }
        });
        folder.onKonfigDialog = [&] {
            trace.dialogCame = true;
            trace.dialogAfterMs = clock.elapsed();
            trace.splashUpWithDialog = splash->isVisible();
            KonfigForm->BitBtn1->click();
        };
        watcher.start();
        clock.start();
        folder.start();

        QVERIFY(trace.splashSeen);
        QVERIFY(trace.splashModal);
        QVERIFY(!trace.tableOpenDuringSplash);
        QVERIFY(!trace.dialogDuringSplash);
        QVERIFY(trace.dialogCame);
        QVERIFY(!trace.splashUpWithDialog);
        // Nobody clicked: only the splash's own timer can have closed it.
        QVERIFY(trace.dialogAfterMs >= 3000);
        QVERIFY(!splash->isVisible());
        QVERIFY(Form1->Table1->isOpen());
        QCOMPARE(Form2->DBEdit1->text(), QStringLiteral("q2dm1"));
        QVERIFY(folder.dialogs().messages(ScriptedDialogs::Kind::Error).isEmpty());
    }

    void aClickClosesTheSplashOnlyOnThePicture_data()
    {
        QTest::addColumn<QList<QPoint>>("clicks");
        QTest::addColumn<QList<bool>>("upAfterEach");
        QTest::newRow("picture") << QList<QPoint>{{20, 20}} << QList<bool>{false};
        QTest::newRow("picture beside the labels") << QList<QPoint>{{520, 226}} << QList<bool>{false};
        QTest::newRow("version label, then picture") << QList<QPoint>{{210, 203}, {20, 20}} << QList<bool>{true, false};
        QTest::newRow("web address label, then picture") << QList<QPoint>{{234, 225}, {20, 20}} << QList<bool>{true, false};
    }

    void aClickClosesTheSplashOnlyOnThePicture()
    {
        QFETCH(const QList<QPoint>, clicks);
        QFETCH(const QList<bool>, upAfterEach);

        ProgramFolder folder;
        folder.makeCatalogue(kLevels);
        folder.writeKonfig("[Other]\r\nsprache=deutsch\r\n");
        folder.leaveSplash = true;
        QList<bool> upAfter;
        bool tableOpenBeforeClose = false;
        QTimer clicker;
        clicker.setInterval(10);
        connect(&clicker, &QTimer::timeout, this, [&] {
            if (!splash || !splash->isVisible() || !upAfter.isEmpty())
                return;
            tableOpenBeforeClose = Form1->Table1->isOpen();
            for (qsizetype i = 0; i < clicks.size(); ++i) {
                const QPoint at = clicks[i];
                // A label lies where the click stays without effect, the picture elsewhere.
                QCOMPARE(qobject_cast<QLabel*>(splash->childAt(at)) != nullptr, upAfterEach.value(i));
                QTest::mouseClick(splash->windowHandle(), Qt::LeftButton, {}, at);
                upAfter.append(splash->isVisible());
            }
        });
        clicker.start();
        folder.start();

        QCOMPARE(upAfter, upAfterEach);
        QVERIFY(!tableOpenBeforeClose);
        QVERIFY(Form1->Table1->isOpen());
        QVERIFY(Form2->isVisible());
    }
};

QTEST_MAIN(SplashTest)
#include "splashTest.moc"
