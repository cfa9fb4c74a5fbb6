#include "level/LevelFields.h"

#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"

#include <QStringList>

#include <limits>

namespace tolvex {

namespace {

constexpr int kSmallIntMin = -32768;
constexpr int kSmallIntMax = 32767;

const FieldDef& fieldAt(int pos)
{
    if (pos < 0 || pos >= kFieldCount)
        throw TolvexError(listIndexMessage(pos));
    return kLevelFields[size_t(pos)];
}

QString fieldName(const FieldDef& def)
{
    return QString::fromLatin1(def.name);
}

// The table never holds what a level list file cannot carry: characters
// outside Windows-1252, a NUL (reading stops there), and line breaks outside
// the description, the one line that is escaped.
void requireStorable(const FieldDef& def, const QString& text)
{
    for (const QChar c : text) {
        // Printable ASCII, most of every catalogue, passes without a lookup.
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            continue;
        const bool lineBreak = c == u'\r' || c == u'\n';
        if (cp1252::representable(c) && c != u'\0' && !(lineBreak && def.kind != FieldKind::Memo))
            continue;
        const QString shown = c.unicode() < 0x20 ? QStringLiteral("#%1").arg(c.unicode()) : QString(c);
        throw TolvexError(formatMessage(QStringLiteral("Das Zeichen '%s' kann im Feld '%s' nicht gespeichert werden"),
                                        {shown, fieldName(def)}));
    }
}

// Leading blanks, an optional sign and decimal digits, as the classic integer
// conversion reads them; nothing when the text is no 32-bit whole number.
std::optional<int> parseWholeNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    long long n = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + (c - u'0');
        if (n > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        n = -n;
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(n);
}

FieldValue checkedSmallInt(const FieldDef& def, int n)
{
    if (n < kSmallIntMin || n > kSmallIntMax) {
        // The classic format's %g carries fifteen significant digits, so every
        // 32-bit number reads in plain digits.
        const auto g = [](double v) { return QString::asprintf("%.15g", v); };
        throw TolvexError(formatMessage(
            QStringLiteral("%g ist kein gültiger Wert für das Feld '%s'. Der zulässige Bereich ist  %g bis %g"),
            {g(n), fieldName(def), g(kSmallIntMin), g(kSmallIntMax)}));
    }
    return n;
}

// A refused text is quoted in the message; a huge one only by its start,
// so that the message box stays readable.
QString quoted(const QString& text)
{
    constexpr qsizetype kShown = 80;
    return text.size() <= kShown ? text : text.left(kShown) + QStringLiteral("...");
}

FieldValue smallIntFromText(const FieldDef& def, const QString& text)
{
    const auto n = parseWholeNumber(text);
    if (!n)
        throw TolvexError(formatMessage(QStringLiteral("'%s' ist kein gültiger Integerwert für Feld '%s'"),
                                        {quoted(text), fieldName(def)}));
    return checkedSmallInt(def, *n);
}

FieldValue booleanFromText(const FieldDef& def, const QString& text)
{
    static const QString kFalse = QStringLiteral("Falsch");
    static const QString kTrue = QStringLiteral("Wahr");
    if (text.size() <= kFalse.size() && text.compare(kFalse.left(text.size()), Qt::CaseInsensitive) == 0)
        return false;
    if (text.size() <= kTrue.size() && text.compare(kTrue.left(text.size()), Qt::CaseInsensitive) == 0)
        return true;
    throw TolvexError(formatMessage(QStringLiteral("'%s' ist kein gültiger boolescher Wert für Feld '%s'"),
                                    {quoted(text), fieldName(def)}));
}

} // namespace

QString fieldText(int pos, const FieldValue& value)
{
    const FieldDef& def = fieldAt(pos);
    if (const auto* text = std::get_if<QString>(&value))
        return *text;
    if (const auto* n = std::get_if<int>(&value))
        return QString::number(*n);
    if (const auto* flag = std::get_if<bool>(&value)) {
        if (def.kind == FieldKind::Boolean)
            return *flag ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
        return QString::number(*flag ? 1 : 0);
    }
    return QString();
}

FieldValue fieldFromText(int pos, const QString& text)
{
    const FieldDef& def = fieldAt(pos);
    if (text.isEmpty())
        return std::monostate{};
    switch (def.kind) {
    case FieldKind::Text: {
        const QString stored = text.left(def.size);
        requireStorable(def, stored);
        return stored;
    }
    case FieldKind::Memo:
        requireStorable(def, text);
        return text;
    case FieldKind::SmallInt:
        return smallIntFromText(def, text);
    case FieldKind::Boolean:
        return booleanFromText(def, text);
    }
    return std::monostate{};
}

FieldValue checkedFieldValue(int pos, const FieldValue& value)
{
    const FieldDef& def = fieldAt(pos);
    if (isEmpty(value))
        return value;
    switch (def.kind) {
    case FieldKind::Text:
    case FieldKind::Memo:
        if (const auto* text = std::get_if<QString>(&value))
            return fieldFromText(pos, *text);
        break;
    case FieldKind::SmallInt:
        if (const auto* n = std::get_if<int>(&value))
            return checkedSmallInt(def, *n);
        break;
    case FieldKind::Boolean:
        if (std::holds_alternative<bool>(value))
            return value;
        break;
    }
    // A value of another type goes through the field's text form, as a bound control's text would.
    return fieldFromText(pos, fieldText(pos, value));
}

std::optional<QString> textFault(int pos, const QString& text)
{
    const FieldDef& def = fieldAt(pos);
    if (text.isEmpty())
        return QStringLiteral("ist leer");
    if (def.kind == FieldKind::Text && text.size() > def.size)
        return QStringLiteral("ist länger als %1 Zeichen").arg(def.size);
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            continue;
        if ((c == u'\r' || c == u'\n') && def.kind != FieldKind::Memo)
            return QStringLiteral("enthält einen Zeilenumbruch");
        // A NUL would end the text in a level list.
        if (c == u'\0')
            return QStringLiteral("enthält das Zeichen #0");
        if (!cp1252::representable(c))
            return QStringLiteral("enthält das Zeichen '%1', das Windows-1252 nicht kennt").arg(c);
    }
    return std::nullopt;
}

int levelFieldIndex(const QString& name)
{
    for (int pos = 0; pos < kFieldCount; ++pos) {
        if (name.compare(QLatin1String(kLevelFields[size_t(pos)].name), Qt::CaseInsensitive) == 0)
            return pos;
    }
    return -1;
}

} // namespace tolvex
