#include "about/splashunit.h"

#include "common/Product.h"
#include "common/toolbox.h"
#include "platform/design/DesignLayout.h"
#include "platform/design/WindowFrame.h"
#include "platform/dialogs/ErrorReport.h"
#include "platform/pictures/PictureBox.h"

#include <QLabel>
#include <QTimer>

namespace tolvex {

Tsplash* splash = nullptr;

namespace {

QLabel* overlayLabel(const QString& name, const QString& text, QPoint at, int pixelHeight, QColor colour, QWidget* parent)
{
    auto* label = designLabel(name, text, at, parent);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    label->setFont(designFont(QStringLiteral("MS Sans Serif"), pixelHeight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->adjustSize();
    return label;
}

} // namespace

Tsplash::Tsplash(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("splash"));
    resize(541, 237);
    setModal(true);

    Image1 = placed(new PictureBox(this), QStringLiteral("Image1"), {0, 0, 541, 237});
    Image1->setStretch(false);
    runGuarded([this] { Image1->load(QStringLiteral(":/splash.jpg")); });

    Label1 = overlayLabel(QStringLiteral("Label1"), QStringLiteral("Version 1.0.0 (Build 0)"), {204, 196}, 16, Qt::yellow, this);
    Label2 = overlayLabel(QStringLiteral("Label2"), u'[' + QString::fromLatin1(kWebAddress) + u']', {228, 220}, 11, Qt::blue, this);

    // Running from the window's creation: the windows created after the
    // splash count towards its three seconds.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);
    // A coarse timer may tick up to 5 % early; the splash stays its full three seconds.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->start();

    setFrame(this, Frame::None, true);
    setPlacement(this, Placement::CentreOnDesktop);

    connect(Timer1, &QTimer::timeout, this, guarded(this, &Tsplash::Timer1Timer));
    connect(Image1, &PictureBox::clicked, this, guarded(this, &Tsplash::Image1Click));
}

void Tsplash::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    runGuarded([this] { FormShow(); });
}

void Tsplash::FormShow()
{
    Label1->setText(VersionText());
    Label1->adjustSize();
}

void Tsplash::Timer1Timer()
{
    // A tick before the splash is up leaves it to the next tick.
    if (!isVisible())
        return;
    Timer1->stop();
    accept();
}

void Tsplash::Image1Click()
{
    Timer1->stop();
    accept();
}

} // namespace tolvex
