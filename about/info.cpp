#include "about/info.h"

#include "common/Product.h"
#include "common/toolbox.h"
#include "platform/ErrorReport.h"
#include "platform/Form.h"
#include "platform/WindowFrame.h"
#include "resources/ProgramIcon.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace tolvex {

Tinfoform* infoform = nullptr;

namespace {

// A read-only text block: no border, the window's colour, no scroll bars, skipped by Tab.
QPlainTextEdit* textBlock(const QString& name, const QRect& geometry, const QStringList& lines, QWidget* parent)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setGeometry(geometry);
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

QStringList freewareNotice()
{
    return {
        QStringLiteral("Tolvex ist Freeware: Sie dürfen es kostenlos nutzen und "),
        QStringLiteral("unverändert weitergeben. Für Schäden durch die Nutzung "),
        QStringLiteral("übernimmt der Autor keine Haftung. Der Verkauf des "),
        QStringLiteral("Programms ist nicht gestattet. Ohne Zustimmung hierzu: "),
        QStringLiteral("Nutzung des Programms ist untersagt!"),
    };
}

QStringList databaseNotice()
{
    return {
        QStringLiteral("Tolvex verwendet die Borland Database Engine 5 zur Verwaltung der "),
        QStringLiteral("Level-Daten. Ist die BDE nicht auf dem System installiert, funktioniert "),
        QStringLiteral("das Programm nicht. Die BDE kann unter ") + QString::fromLatin1(kWebAddress) + u' ',
        QStringLiteral("kostenlos bezogen bezogen werden."),
    };
}

QStringList trademarkNotice()
{
    return {
        QStringLiteral("Quake, Quake 2 und das stilisierte Q sind registrierte Markenzeichen "),
        QStringLiteral("der ID-Software Corporation."),
    };
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

void setMemoLine(QPlainTextEdit* memo, int line, const QString& text)
{
    QTextBlock block = memo->document()->findBlockByNumber(line);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

QString memoLine(const QPlainTextEdit* memo, int line)
{
    return memo->document()->findBlockByNumber(line).text();
}

Tinfoform::Tinfoform(QWidget* parent)
    : Form(parent)
{
    setObjectName(QStringLiteral("infoform"));
    setWindowTitle(QStringLiteral("Tolvex"));
    resize(345, 333);
    setFont(designFont(QStringLiteral("MS Sans Serif"), 11));

    const QPixmap icon = programIcon().pixmap(QSize(32, 32), devicePixelRatioF());
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 4, 32, 32);
    Image1->setPixmap(icon);
    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(304, 4, 32, 32);
    Image2->setPixmap(icon);

    Label1 = designLabel(QStringLiteral("Label1"), QStringLiteral("Tolvex"), {152, 0}, this);
    Label1->setFont(designFont(QStringLiteral("Arial Black"), 16));
    Label1->adjustSize();
    Label2 = designLabel(QStringLiteral("Label2"), QStringLiteral("Kestrowan"), {104, 24}, this);
    Label3 = designLabel(QStringLiteral("Label3"), QStringLiteral("Ver. 1.00 final"), {140, 40}, this);
    Label3->setFont(designFont(QStringLiteral("Small Fonts"), 8));
    Label3->adjustSize();

    Memo1 = textBlock(QStringLiteral("Memo1"), {12, 64, 325, 69}, freewareNotice(), this);
    Memo2 = textBlock(QStringLiteral("Memo2"), {12, 136, 325, 53}, databaseNotice(), this);
    QPalette darkRed = Memo2->palette();
    darkRed.setColor(QPalette::Text, QColor(0x80, 0, 0));
    Memo2->setPalette(darkRed);
    Memo4 = textBlock(QStringLiteral("Memo4"), {12, 192, 325, 29}, trademarkNotice(), this);

    Label4 = designLabel(QStringLiteral("Label4"), QStringLiteral("have fun!"), {12, 224}, this);
    Label5 = designLabel(QStringLiteral("Label5"), QStringLiteral("© 2026 Kestrowan-Team"), {0, 224}, this);
    Label5->setAlignment(Qt::AlignRight);
    Label5->move(337 - Label5->width(), 224);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(12, 240, 325, 5);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    // The bevel's line runs along its lower edge, not through its middle.
    Bevel1->setFrameRect(QRect(0, 3, 325, 2));

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
    Q_EMIT shown();
    Label3->setText(VersionText());
    Label3->adjustSize();
}

void Tinfoform::FormClose()
{
    Q_EMIT closed();
}

} // namespace tolvex
