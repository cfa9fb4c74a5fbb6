#include "about/info.h"
#include "about/splashunit.h"
#include "config/options.h"
#include "lang/translate.h"
#include "maplist/maplister.h"
#include "overview/tabelle.h"
#include "shell/EingabeMaske.h"
#include "tests/support/ProgramFolder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>

using namespace tolvex;

namespace {

QString where(const QWidget* w)
{
    return w->window()->objectName() + u'.' + w->objectName();
}

// Whatever of a text control's words does not fit its design place: text
// wider than the control, or a label running into a neighbour.
QStringList misfits(QWidget* window)
{
    QStringList found;
    const auto report = [&found](const QWidget* w, const QString& text, int need, int have) {
        if (need > have)
            found << QStringLiteral("%1 \"%2\": needs %3, has %4").arg(where(w), text).arg(need).arg(have);
    };
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->pixmap().isNull())
            continue;
        const int need = label->fontMetrics().horizontalAdvance(label->text());
        report(label, label->text(), need, label->contentsRect().width());
        // Only what lies on top of a label can cover it; a label laid over a picture is meant to be.
        const QRect inked(label->pos(), QSize(need, label->height()));
        const QObjectList& siblings = label->parentWidget()->children();
        for (qsizetype i = siblings.indexOf(label) + 1; i < siblings.size(); ++i) {
            const auto* sibling = qobject_cast<const QWidget*>(siblings[i]);
            if (sibling && !qobject_cast<const QLabel*>(sibling) && !sibling->isHidden() && sibling->geometry().intersects(inked))
                found << QStringLiteral("%1 \"%2\" runs into %3").arg(where(label), label->text(), sibling->objectName());
        }
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->text().isEmpty() && button->icon().isNull())
            report(button, button->text(), button->sizeHint().width(), button->width());
    }
    // A combo box needs the width its longest item asks for.
    for (QComboBox* combo : window->findChildren<QComboBox*>()) {
        QStringList items;
        for (int item = 0; item < combo->count(); ++item)
            items << combo->itemText(item);
        report(combo, items.join(u'|'), combo->sizeHint().width(), combo->width());
    }
    for (QGroupBox* group : window->findChildren<QGroupBox*>())
        report(group, group->title(), group->fontMetrics().horizontalAdvance(group->title()) + 8, group->width());
    for (QPlainTextEdit* memo : window->findChildren<QPlainTextEdit*>()) {
        for (QTextBlock line = memo->document()->begin(); line.isValid(); line = line.next()) {
            // Blanks at a line's end take no room on screen.
            const QString ink = line.text().trimmed();
            report(memo, ink, memo->fontMetrics().horizontalAdvance(ink) + 2 * int(memo->document()->documentMargin()),
                   memo->viewport()->width());
        }
    }
    return found;
}

QStringList misfitsOfAllWindows()
{
    QStringList found;
    for (QWidget* window : std::initializer_list<QWidget*>{Form2, Form1, mapform, infoform, KonfigForm, splash})
        found << misfits(window);
    return found;
}

} // namespace

class TextFitTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyTextFitsItsPlaceInBothLanguages()
    {
        ProgramFolder folder;
        folder.makeCatalogue({levelRecord(QStringLiteral("q2dm1"), QStringLiteral("The Edge"))});
        folder.writeKonfig("[Other]\r\nsprache=deutsch\r\n");
        folder.start();

        const QStringList german = misfitsOfAllWindows();
        QVERIFY2(german.isEmpty(), qPrintable(german.join(u'\n')));
        ApplyEnglish();
        const QStringList english = misfitsOfAllWindows();
        QVERIFY2(english.isEmpty(), qPrintable(english.join(u'\n')));
    }
};

QTEST_MAIN(TextFitTest)
#include "textFitTest.moc"
