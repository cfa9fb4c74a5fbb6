#include "platform/dataaware/DBNavigator.h"
#include "platform/design/Anchors.h"
#include "platform/design/DesignLayout.h"
#include "platform/design/DesignTexts.h"
#include "platform/design/Form.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tolvex;

namespace {

// Records the order of a form's handlers and signals.
class RecordingForm final : public Form {
public:
    RecordingForm()
    {
        connect(this, &Form::shown, this, [this] { events << QStringLiteral("shown"); });
        connect(this, &Form::closed, this, [this] { events << QStringLiteral("closed"); });
    }
    QStringList events;

protected:
    void FormShow() override { events << QStringLiteral("FormShow"); }
    void FormClose() override { events << QStringLiteral("FormClose"); }
};

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void anchorsKeepDesignDistances_data()
    {
        QTest::addColumn<int>("anchors");
        QTest::addColumn<QRect>("after");
        const int left = int(Anchor::Left), top = int(Anchor::Top), right = int(Anchor::Right), bottom = int(Anchor::Bottom);
        // Design: parent 200 x 100, child at (10, 20, 50 x 30); the parent grows by 40 x 20.
        QTest::newRow("top left stays") << (left | top) << QRect(10, 20, 50, 30);
        QTest::newRow("stretches to the right") << (left | top | right) << QRect(10, 20, 90, 30);
        QTest::newRow("follows the right edge") << (top | right) << QRect(50, 20, 50, 30);
        QTest::newRow("stretches downwards") << (left | top | bottom) << QRect(10, 20, 50, 50);
        QTest::newRow("follows the bottom edge") << (left | bottom) << QRect(10, 40, 50, 30);
        QTest::newRow("all four") << (left | top | right | bottom) << QRect(10, 20, 90, 50);
    }
    void anchorsKeepDesignDistances()
    {
        QFETCH(int, anchors);
        QFETCH(QRect, after);
        QWidget parent;
        parent.resize(200, 100);
        auto* child = new QWidget(&parent);
        child->setGeometry(10, 20, 50, 30);
        setAnchors(child, Anchors::fromInt(anchors));
        parent.show();
        parent.resize(240, 120);
        QCOMPARE(child->geometry(), after);
        parent.resize(200, 100);
        QCOMPARE(child->geometry(), QRect(10, 20, 50, 30));
    }

    void stretchingNeverGoesNegative()
    {
        QWidget parent;
        parent.resize(200, 100);
        auto* child = new QWidget(&parent);
        child->setGeometry(10, 10, 50, 50);
        setAnchors(child, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right | Anchor::Bottom);
        parent.show();
        parent.resize(20, 20);
        QCOMPARE(child->size(), QSize(0, 0));
    }

    void windowsAreCentredAtTheirFirstShowingOnly()
    {
        QWidget window;
        window.resize(300, 200);
        setFrame(&window, Frame::SizeableTool, true);
        setPlacement(&window, Placement::CentreOnScreen);
        window.show();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(outerGeometry(&window).topLeft(),
                 QPoint((screen.width() - outerGeometry(&window).width()) / 2,
                        (screen.height() - outerGeometry(&window).height()) / 2));
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        window.hide();
        window.move(5, 6);
        window.show();
        QCOMPARE(outerGeometry(&window).topLeft(), QPoint(5, 6));
    }

    void centringClampsAtTheScreenOrigin()
    {
        const QRect screen = QGuiApplication::primaryScreen()->virtualGeometry();
        QWidget window;
        window.resize(screen.width() + 400, screen.height() + 300);
        setPlacement(&window, Placement::CentreOnDesktop);
        window.show();
        QCOMPARE(outerGeometry(&window).topLeft(), QPoint(0, 0));
    }

    void windowsAreKeptInsideTheWorkArea_data()
    {
        QTest::addColumn<QRect>("outer");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("smallest");
        QTest::addColumn<QRect>("kept");
        const QRect small(0, 0, 960, 600); // 1920 x 1200 at scale 2
        QTest::newRow("inside stays") << QRect(10, 20, 300, 200) << small << QSize(32, 32) << QRect(10, 20, 300, 200);
        QTest::newRow("design place below the edge") << QRect(247, 195, 656, 508) << small << QSize(32, 32)
                                                     << QRect(247, 92, 656, 508);
        QTest::newRow("stored on a wider screen") << QRect(2330, 60, 400, 320) << QRect(0, 0, 2560, 1600) << QSize(32, 32)
                                                  << QRect(2160, 60, 400, 320);
        QTest::newRow("above and left") << QRect(-50, -10, 300, 200) << small << QSize(32, 32) << QRect(0, 0, 300, 200);
        QTest::newRow("larger shrinks to the area") << QRect(100, 100, 1200, 700) << small << QSize(32, 32) << small;
        QTest::newRow("only the side too large shrinks") << QRect(500, 100, 1200, 300) << small << QSize(32, 32)
                                                         << QRect(0, 100, 960, 300);
        QTest::newRow("what cannot shrink keeps its title bar in") << QRect(300, 300, 1200, 700) << small << QSize(1100, 650)
                                                                  << QRect(0, 0, 1100, 650);
        QTest::newRow("a second screen's area") << QRect(3800, 900, 400, 300) << QRect(1920, 24, 1920, 1056) << QSize(32, 32)
                                                << QRect(3440, 780, 400, 300);
    }

    void windowsAreKeptInsideTheWorkArea()
    {
        QFETCH(QRect, outer);
        QFETCH(QRect, area);
        QFETCH(QSize, smallest);
        QFETCH(QRect, kept);
        QCOMPARE(keptInside(outer, area, smallest), kept);
    }

    void outerGeometryRoundTrips()
    {
        QWidget window;
        setOuterGeometry(&window, QRect(30, 40, 400, 300));
        QCOMPARE(outerGeometry(&window), QRect(30, 40, 400, 300));
        setOuterGeometry(&window, QRect(30, 7, 420, 300));
        QCOMPARE(outerGeometry(&window), QRect(30, 7, 420, 300));
    }

    void aToggleFlipsBeforeItReportsTheClick()
    {
        QWidget parent;
        auto* button = new SpeedButton(QStringLiteral("SpeedButton6"), &parent);
        button->setToggle(true);
        bool downAtClick = false;
        connect(button, &SpeedButton::clicked, button, [&] { downAtClick = button->isDown(); });
        parent.show();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(downAtClick);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isDown());
        button->setDown(true); // set by a window's show handler: no click reported
        QVERIFY(button->isDown());
    }

    void aGroupKeepsExactlyOneDown()
    {
        QWidget parent;
        auto* german = new SpeedButton(QStringLiteral("SpeedButton3"), &parent);
        auto* english = new SpeedButton(QStringLiteral("SpeedButton4"), &parent);
        german->setGeometry(0, 0, 20, 20);
        english->setGeometry(30, 0, 20, 20);
        SpeedButton::group({german, english});
        german->setDown(true);
        parent.show();
        QSignalSpy germanClicks(german, &SpeedButton::clicked);
        QTest::mouseClick(english, Qt::LeftButton);
        QVERIFY(english->isDown());
        QVERIFY(!german->isDown());
        QTest::mouseClick(english, Qt::LeftButton);
        QVERIFY(english->isDown()); // pressing the one that is down keeps it down
        QTest::mouseClick(german, Qt::LeftButton);
        QVERIFY(german->isDown());
        QVERIFY(!english->isDown());
        QCOMPARE(germanClicks.size(), 1);
    }

    // A toggle button is down from before the show handler runs until after the close handler ran.
    void aFormSignalsAroundItsHandlers()
    {
        RecordingForm form;
        form.show();
        form.close();
        QCOMPARE(form.events, (QStringList{"shown", "FormShow", "FormClose", "closed"}));
    }

    void speedButtonsAreBuiltInOrderAndAnchoredAsAsked()
    {
        QWidget parent;
        parent.resize(200, 100);
        SpeedButton* anchored = nullptr;
        SpeedButton* plain = nullptr;
        buildSpeedButtons({{&anchored, "SpeedButton2", {150, 4, 25, 25}, QIcon()}}, &parent, Anchors(Anchor::Top) | Anchor::Right);
        buildSpeedButtons({{&plain, "SpeedButton1", {4, 4, 23, 22}, QIcon()}}, &parent);
        parent.show();
        parent.resize(260, 100);
        QCOMPARE(anchored->geometry(), QRect(210, 4, 25, 25));
        QCOMPARE(plain->geometry(), QRect(4, 4, 23, 22));
        QCOMPARE(parent.findChild<SpeedButton*>(QStringLiteral("SpeedButton2")), anchored);
        QVERIFY(anchored->hint().isEmpty());
    }

    void designTextsReachEveryRoleInEachLanguage()
    {
        QWidget window;
        auto* label = designLabel(QStringLiteral("Label1"), QString(), {4, 4}, &window);
        auto* group = designGroup(QStringLiteral("Group1"), QString(), {0, 20, 100, 50}, &window);
        SpeedButton* button = nullptr;
        buildSpeedButtons({{&button, "SpeedButton1", {10, 10, 25, 25}, QIcon()}}, group);
        auto* memo = placed(new QPlainTextEdit(QStringLiteral("\n"), &window), QStringLiteral("Memo1"), {0, 80, 100, 40});
        auto* navigator = placed(new DBNavigator(&window), QStringLiteral("DBNavigator1"), {0, 130, 225, 25});
        const std::vector<DesignText> texts = {
            {nullptr, TextRole::Caption, "Fenster", "Window"},
            {"Label1", TextRole::Caption, "eine recht lange Beschriftung", "label", "Entwurf"},
            {"Group1", TextRole::Caption, "Gruppe", "Group"},
            {"SpeedButton1", TextRole::Hint, "Knopf", "Button"},
            {"Memo1", TextRole::MemoLine, "zweite", "second", {}, 1},
            {"DBNavigator1", TextRole::NavigatorHint, "Letzter", "Last", {}, 3},
        };
        const auto shown = [&] {
            return QStringList{window.windowTitle(), label->text(), group->title(), button->hint(), memo->toPlainText(),
                               navigator->button(DBNavigator::Button::Last)->toolTip()};
        };
        applyTexts(&window, texts, TextLanguage::Design);
        QCOMPARE(shown(), (QStringList{"Fenster", "Entwurf", "Gruppe", "Knopf", "\nzweite", "Letzter"}));
        applyTexts(&window, texts, TextLanguage::German);
        QCOMPARE(label->size(), label->sizeHint());
        applyTexts(&window, texts, TextLanguage::English);
        QCOMPARE(shown(), (QStringList{"Window", "label", "Group", "Button", "\nsecond", "Last"}));
        QCOMPARE(label->size(), label->sizeHint());
        QCOMPARE(button->parentWidget(), group);
    }
};

QTEST_MAIN(LayoutTest)
#include "layoutTest.moc"
