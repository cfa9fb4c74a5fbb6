#include "catalogue/SurveyLines.h"

#include "common/toolbox.h"
#include "level/LevelFields.h"

namespace tolvex {

namespace {

struct ItemSlot {
    int field;
    const char* label; // with its trailing blank
};

// The order of the slots differs from the field order on purpose: weapons first.
constexpr ItemSlot kItemSlots[] = {
    {Field::GL, "GL "}, {Field::RL, "RL "}, {Field::HB, "HB "}, {Field::RG, "RG "},
    {Field::BFG, "BFG "}, {Field::Quad, "Quad "}, {Field::Invul, "Invul "},
};

} // namespace

QString surveyHeading()
{
    return FitText(QStringLiteral("Nr."), 3) + u' ' + FitText(QStringLiteral("Datei"), 15) + u' '
        + FitText(QStringLiteral("Level"), 30) + u' ' + FitText(QStringLiteral("Typ"), 3) + u' '
        + FitText(QStringLiteral("Spieler"), 7) + QStringLiteral(" Items");
}

QString surveyLine(int number, const QStringList& fields)
{
    const auto field = [&fields](int pos) { return fields.value(pos); };
    QString line = FitText(QString::number(number), 3) + u' ' + FitText(field(Field::Datei), 15) + u' '
        + FitText(field(Field::Level), 30) + u' ' + FitText(field(Field::Typ), 3) + u' '
        + FitText(field(Field::MinPlayer) + u'-' + field(Field::MaxPlayer), 7) + u' ';
    for (const ItemSlot& slot : kItemSlots) {
        const QString label = QString::fromLatin1(slot.label);
        // An empty flag counts as not set.
        line += field(slot.field) == QLatin1String("Wahr") ? label : QString(label.size(), u' ');
    }
    return line;
}

} // namespace tolvex
