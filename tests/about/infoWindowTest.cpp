#include "about/info.h"
#include "common/Product.h"
#include "common/toolbox.h"
#include "overview/tabelle.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace tolvex;

namespace {

QStringList memoLines(const QPlainTextEdit* memo)
{
    return memo->toPlainText().split(u'\n');
}

// A line of the window's own text with the blank the design adds to every line but a notice's last.
QString designLine(const char* text)
{
    return QString::fromUtf8(text) + u' ';
}

} // namespace

class InfoWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFolder> m_folder;

private Q_SLOTS:
    void init()
    {
        m_folder = std::make_unique<ProgramFolder>();
        m_folder->makeCatalogue({levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge"))});
        m_folder->writeKonfig("[Other]\r\nsprache=deutsch\r\n");
        m_folder->start();
    }

    void cleanup() { m_folder.reset(); }

    void isAFixedToolWindowOnTopWithACloseBoxOnly()
    {
        QVERIFY(!infoform->isVisible()); // hidden at every start
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        const Qt::WindowFlags flags = infoform->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(infoform->size(), QSize(345, 333));
        QCOMPARE(infoform->minimumSize(), QSize(345, 333));
        QCOMPARE(infoform->maximumSize(), QSize(345, 333));
        QCOMPARE(infoform->windowTitle(), QStringLiteral("Tolvex"));
    }

    void controlsStandAtTheirDesignPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry"); // width or height 0: sized to its text
        QTest::newRow("Image1") << "Image1" << QRect(8, 4, 32, 32);
        QTest::newRow("Image2") << "Image2" << QRect(304, 4, 32, 32);
        QTest::newRow("Label1") << "Label1" << QRect(152, 0, 0, 0);
        QTest::newRow("Label2") << "Label2" << QRect(104, 24, 0, 0);
        QTest::newRow("Label3") << "Label3" << QRect(140, 40, 0, 0);
        QTest::newRow("Memo1") << "Memo1" << QRect(12, 64, 325, 69);
        QTest::newRow("Memo2") << "Memo2" << QRect(12, 136, 325, 53);
        QTest::newRow("Memo4") << "Memo4" << QRect(12, 192, 325, 29);
        QTest::newRow("Label4") << "Label4" << QRect(12, 224, 0, 0);
        QTest::newRow("Bevel1") << "Bevel1" << QRect(12, 240, 325, 5);
        QTest::newRow("Memo3") << "Memo3" << QRect(12, 248, 325, 85);
    }

    void controlsStandAtTheirDesignPlaces()
    {
        QFETCH(const QString, name);
        QFETCH(const QRect, geometry);
        infoform->show();
        auto* control = infoform->findChild<QWidget*>(name);
        QVERIFY(control);
        if (geometry.width() > 0) {
            QCOMPARE(control->geometry(), geometry);
        } else {
            QCOMPARE(control->pos(), geometry.topLeft());
            auto* label = qobject_cast<QLabel*>(control);
            QVERIFY(label);
            QVERIFY(label->width() >= label->sizeHint().width());
        }
    }

    void labelsCarryTheirTextsAndFonts()
    {
        infoform->show();
        QCOMPARE(infoform->Label1->text(), QStringLiteral("Tolvex"));
        QCOMPARE(infoform->Label1->font().family(), QStringLiteral("Arial Black"));
        QCOMPARE(infoform->Label1->font().pixelSize(), 16);
        QCOMPARE(infoform->Label2->text(), QStringLiteral("Kestrowan"));
        QCOMPARE(infoform->Label3->font().family(), QStringLiteral("Small Fonts"));
        QCOMPARE(infoform->Label3->font().pixelSize(), 8);
        QCOMPARE(infoform->Label4->text(), QStringLiteral("have fun!"));
        QCOMPARE(infoform->Label4->font().pixelSize(), 11);
        // The author line grows to the left.
        QVERIFY(!infoform->Label5->text().isEmpty());
        QCOMPARE(infoform->Label5->y(), 224);
        QCOMPARE(infoform->Label5->x() + infoform->Label5->width(), 337);
        QVERIFY(infoform->Label5->width() >= infoform->Label5->sizeHint().width());
        for (const QLabel* icon : {infoform->Image1, infoform->Image2}) {
            // Drawn for the screen's pixels, so it stays sharp at any scale.
            QCOMPARE(icon->pixmap().deviceIndependentSize(), QSizeF(32, 32));
            QCOMPARE(icon->pixmap().size(), QSize(32, 32) * icon->devicePixelRatio());
            QVERIFY(icon->pixmap().toImage().pixelColor(16, 16).alpha() == 255);
        }
    }

    void textBlocksAreReadOnlyBorderlessAndSkippedByTab_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QColor>("textColour");
        QTest::addColumn<int>("lineCount");
        const QColor plain = QApplication::palette().color(QPalette::Text);
        QTest::newRow("freeware notice") << "Memo1" << "MS Sans Serif" << plain << 5;
        QTest::newRow("database engine notice, dark red") << "Memo2" << "MS Sans Serif" << QColor(0x80, 0, 0) << 4;
        QTest::newRow("trademark notice") << "Memo4" << "MS Sans Serif" << plain << 2;
        QTest::newRow("credits, fixed pitch") << "Memo3" << "Courier New" << plain << 6;
    }

    void textBlocksAreReadOnlyBorderlessAndSkippedByTab()
    {
        QFETCH(const QString, name);
        QFETCH(const QString, family);
        QFETCH(const QColor, textColour);
        QFETCH(const int, lineCount);
        infoform->show();
        auto* memo = infoform->findChild<QPlainTextEdit*>(name);
        QVERIFY(memo);
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->frameShape(), QFrame::NoFrame);
        QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!(memo->focusPolicy() & Qt::TabFocus));
        QCOMPARE(memo->font().family(), family);
        QCOMPARE(memo->font().pixelSize(), 11);
        QCOMPARE(memoLines(memo).size(), lineCount);
        if (family == QLatin1String("Courier New"))
            QVERIFY(memo->font().fixedPitch());

        // Drawn on the window's colour, the text in its own colour.
        const QImage drawn = infoform->grab(memo->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
        const QColor window = infoform->palette().color(QPalette::Window);
        QCOMPARE(drawn.pixelColor(drawn.width() - 1, drawn.height() - 1), window);
        // Smoothed glyph edges blend into the background; their cores come close to the colour.
        const auto nearTextColour = [&textColour](const QColor& c) {
            return qAbs(c.red() - textColour.red()) <= 48 && qAbs(c.green() - textColour.green()) <= 48
                && qAbs(c.blue() - textColour.blue()) <= 48;
        };
        bool textColourDrawn = false;
        for (int y = 0; y < drawn.height() && !textColourDrawn; ++y) {
            for (int x = 0; x < drawn.width() && !textColourDrawn; ++x)
                textColourDrawn = nearTextColour(drawn.pixelColor(x, y));
        }
        QVERIFY(textColourDrawn);
    }

    void noticesReadLineByLine()
    {
        QStringList freeware = memoLines(infoform->Memo1);
        QCOMPARE(freeware.size(), 5);
        QCOMPARE(freeware[4], QStringLiteral("Nutzung des Programms ist untersagt!"));
        for (int i = 0; i < 4; ++i)
            QVERIFY2(freeware[i].endsWith(u' ') && !freeware[i].endsWith(QStringLiteral("  ")), qPrintable(freeware[i]));

        QCOMPARE(memoLines(infoform->Memo2),
                 (QStringList{designLine("Tolvex verwendet die Borland Database Engine 5 zur Verwaltung der"),
                              designLine("Level-Daten. Ist die BDE nicht auf dem System installiert, funktioniert"),
                              QStringLiteral("das Programm nicht. Die BDE kann unter ") + QString::fromLatin1(kWebAddress) + u' ',
                              QStringLiteral("kostenlos bezogen bezogen werden.")}));
        QCOMPARE(memoLines(infoform->Memo4),
                 (QStringList{designLine("Quake, Quake 2 und das stilisierte Q sind registrierte Markenzeichen"),
                              QStringLiteral("der ID-Software Corporation.")}));
    }

    void everyShowWritesTheVersionAndPressesTheButton()
    {
        QCOMPARE(infoform->Label3->text(), QStringLiteral("Ver. 1.00 final"));
        // Shown by its toggle.
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        QVERIFY(infoform->isVisible());
        QVERIFY(Form2->SpeedButton8->isDown());
        QCOMPARE(infoform->Label3->text(), VersionText());
        QVERIFY(infoform->Label3->width() >= infoform->Label3->sizeHint().width());

        // Its close box releases the toggle.
        infoform->windowHandle()->close();
        QVERIFY(!infoform->isVisible());
        QVERIFY(!Form2->SpeedButton8->isDown());

        // Shown some other way: the show itself presses the toggle and writes anew.
        infoform->Label3->setText(QStringLiteral("stale"));
        infoform->show();
        QVERIFY(Form2->SpeedButton8->isDown());
        QCOMPARE(infoform->Label3->text(), VersionText());

        // Closed by its toggle, shown again by it.
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        QVERIFY(!infoform->isVisible());
        QVERIFY(!Form2->SpeedButton8->isDown());
        infoform->Label3->setText(QStringLiteral("stale"));
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        QVERIFY(infoform->isVisible());
        QVERIFY(Form2->SpeedButton8->isDown());
        QCOMPARE(infoform->Label3->text(), VersionText());
    }

    void firstShowCentresOnTheDesktopLaterShowsKeepThePlace()
    {
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        const QRect outer = outerGeometry(infoform);
        QCOMPARE(outer.topLeft(), QPoint(qMax(0, desktop.x() + (desktop.width() - outer.width()) / 2),
                                         qMax(0, desktop.y() + (desktop.height() - outer.height()) / 2)));
        infoform->move(20, 30);
        const QPoint placed = outerGeometry(infoform).topLeft();
        infoform->windowHandle()->close();
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        QCOMPARE(outerGeometry(infoform).topLeft(), placed);
    }

    void otherWindowsStayUsableWhileItIsShown()
    {
        QTest::mouseClick(Form2->SpeedButton8, Qt::LeftButton);
        QVERIFY(!infoform->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QTest::mouseClick(Form2->SpeedButton6, Qt::LeftButton);
        QVERIFY(Form1->isVisible());
        QVERIFY(infoform->isVisible());
    }
};

QTEST_MAIN(InfoWindowTest)
#include "infoWindowTest.moc"
