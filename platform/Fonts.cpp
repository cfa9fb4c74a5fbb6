#include "platform/Fonts.h"

#include <QFont>
#include <QStringList>

namespace tolvex {

void installFontSubstitutes()
{
    const QString sans = QStringLiteral("Liberation Sans");
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), QStringList{sans, QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Small Fonts"), QStringList{sans, QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial Black"), QStringList{sans, QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"), QStringList{QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
}

} // namespace tolvex
