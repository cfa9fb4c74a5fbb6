#include "about/info.h"

#include "common/toolbox.h"
#include "lang/WindowTexts.h"
#include "platform/design/DesignLayout.h"
#include "platform/design/WindowFrame.h"
#include "platform/dialogs/ErrorReport.h"
#include "resources/ProgramIcon.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>

namespace tolvex {

Tinfoform* infoform = nullptr;

namespace {

// A read-only text block: no border, the window's colour, no scroll bars, skipped by Tab.
QPlainTextEdit* textBlock(const QString& name, const QRect& geometry, const QStringList& lines, QWidget* parent)
{
    auto* memo = placed(new QPlainTextEdit(parent), name, geometry);
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->viewport()->setAutoFillBackground(false);
    memo->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    memo->document()->setDocumentMargin(0);
    memo->setPlainText(lines.join(u'\n'));
    return memo;
}

// The lines of a notice, filled in from the window's texts.
QStringList blankLines(int count)
{
    return QStringList(count, QString());
}

QStringList credits()
{
    return {
        QStringLiteral("Idee und Entwurf      Kestrowan-Team"),
        QStringLiteral("Programmierung        Kestrowan-Team"),
        QStringLiteral("Level-Katalog         Kestrowan-Team"),
        QStringLiteral("Grafik                Kestrowan-Team"),
        QStringLiteral("Übersetzung           Kestrowan-Team"),
        QStringLiteral("Test                  Kestrowan-Team"),
    };
}

} // namespace

Tinfoform::Tinfoform(QWidget* parent)
    : Form(parent)
{
    setObjectName(QStringLiteral("infoform"));
    setWindowTitle(QStringLiteral("Tolvex"));
    resize(345, 333);
    setFont(windowFont());

    const QPixmap icon = programIcon().pixmap(QSize(32, 32), devicePixelRatioF());
    Image1 = placed(new QLabel(this), QStringLiteral("Image1"), {8, 4, 32, 32});
    Image1->setPixmap(icon);
    Image2 = placed(new QLabel(this), QStringLiteral("Image2"), {304, 4, 32, 32});
    Image2->setPixmap(icon);

    Label1 = designLabel(QStringLiteral("Label1"), QStringLiteral("Tolvex"), {152, 0}, this);
    Label1->setFont(designFont(QStringLiteral("Arial Black"), 16));
    Label1->adjustSize();
    Label2 = designLabel(QStringLiteral("Label2"), QStringLiteral("Kestrowan"), {104, 24}, this);
    Label3 = designLabel(QStringLiteral("Label3"), QStringLiteral("Ver. 1.00 final"), {140, 40}, this);
    Label3->setFont(designFont(QStringLiteral("Small Fonts"), 8));
    Label3->adjustSize();

    Memo1 = textBlock(QStringLiteral("Memo1"), {12, 64, 325, 69}, blankLines(5), this);
    Memo2 = textBlock(QStringLiteral("Memo2"), {12, 136, 325, 53}, blankLines(4), this);
    QPalette darkRed = Memo2->palette();
    darkRed.setColor(QPalette::Text, QColor(0x80, 0, 0));
    Memo2->setPalette(darkRed);
    Memo4 = textBlock(QStringLiteral("Memo4"), {12, 192, 325, 29}, blankLines(2), this);

    Label4 = designLabel(QStringLiteral("Label4"), QStringLiteral("have fun!"), {12, 224}, this);
    Label5 = designLabel(QStringLiteral("Label5"), QStringLiteral("© 2026 Kestrowan-Team"), {0, 224}, this);
    Label5->setAlignment(Qt::AlignRight);
    Label5->move(337 - Label5->width(), 224);

    Bevel1 = placed(new QFrame(this), QStringLiteral("Bevel1"), {12, 240, 325, 5});
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    // The bevel's line runs along its lower edge, not through its middle.
    Bevel1->setFrameRect(QRect(0, 3, 325, 2));

    applyTexts(this, infoTexts(), TextLanguage::Design);

    Memo3 = textBlock(QStringLiteral("Memo3"), {12, 248, 325, 85}, credits(), this);
    QFont fixed = designFont(QStringLiteral("Courier New"), 11);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    Memo3->setFont(fixed);

    setFrame(this, Frame::FixedTool, true);
    setPlacement(this, Placement::CentreOnDesktop);
}

void Tinfoform::FormShow()
{
    Label3->setText(VersionText());
    Label3->adjustSize();
}

} // namespace tolvex
