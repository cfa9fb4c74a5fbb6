#include "platform/design/Fonts.h"

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

QFont designFont(const QString& family, int pixelHeight)
{
    // The stand-ins run wider than the bitmap faces the windows were laid
    // out with; "Arial Black" has a black weight none of them has.
    struct Fit {
        const char* family;
        int stretch;
        QFont::Weight weight;
    };
    static constexpr Fit kFits[] = {
        {"MS Sans Serif", 90, QFont::Normal},
        {"Small Fonts", 90, QFont::Normal},
        {"Arial Black", 100, QFont::Black},
    };
    QFont font(family);
    font.setPixelSize(pixelHeight);
    for (const Fit& fit : kFits) {
        if (family == QLatin1String(fit.family)) {
            font.setStretch(fit.stretch);
            font.setWeight(fit.weight);
        }
    }
    return font;
}

} // namespace tolvex
