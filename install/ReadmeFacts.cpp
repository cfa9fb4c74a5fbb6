#include "install/ReadmeFacts.h"

#include "level/LevelFields.h"
#include "gamefolder/MapRecord.h"
#include "platform/files/Cp1252.h"

#include <QRegularExpression>
#include <QStringList>

namespace tolvex {

namespace {

// Quake 2 servers take at most this many players.
constexpr int kMostPlayers = 256;

// Controls and characters Windows-1252 cannot hold become "?"; the line breaks stay.
QString storable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n')
            out += c;
        else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            out += u'?', ++i;
        else
            out += c.unicode() < 0x20 || c.unicode() == 0x7F || !cp1252::representable(c) ? u'?' : c;
    }
    return out;
}

// "Label : value", the way readmes set their headers: a short label of
// words, then a colon (not that of a web address). Gives the label in lower case and the value.
bool headerLine(const QString& line, QString* label, QString* value)
{
    static const QRegularExpression header(QStringLiteral(R"(^\s*([A-Za-z][A-Za-z0-9 /&'().-]{0,39}?)\s*[:=](?!//)\s?(.*)$)"));
    const QRegularExpressionMatch match = header.match(line);
    if (!match.hasMatch())
        return false;
    *label = match.captured(1).toLower();
    *value = match.captured(2).trimmed();
    return true;
}

// A rule ("=====", "-----") or a section title ("* Play Information *").
bool ruleLine(const QString& line)
{
    const QString text = line.trimmed();
    if (text.size() >= 3 && text.startsWith(u'*') && text.endsWith(u'*'))
        return true;
    if (text.size() < 3)
        return false;
    for (const QChar c : text) {
        if (c != u'=' && c != u'-' && c != u'_' && c != u'~' && c != u'#' && c != u' ')
            return false;
    }
    return true;
}

bool playerRange(const QString& line, int* min, int* max)
{
    static const QRegularExpression range(QStringLiteral(R"((\d{1,5})\s*(?:-|–|to|bis)\s*(\d{1,5}))"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (!line.contains(QStringLiteral("player"), Qt::CaseInsensitive)
        && !line.contains(QStringLiteral("spieler"), Qt::CaseInsensitive))
        return false;
    const QRegularExpressionMatch match = range.match(line);
    if (!match.hasMatch())
        return false;
    const int low = match.captured(1).toInt();
    const int high = match.captured(2).toInt();
    if (low < 1 || high < low || high > kMostPlayers)
        return false;
    *min = low;
    *max = high;
    return true;
}

// The block's lines joined: wrapped lines with a blank, paragraphs (after an
// empty line) on lines of their own.
QString joinedBlock(const QStringList& lines)
{
    QString text;
    bool paragraphEnded = false;
    for (const QString& line : lines) {
        const QString part = line.simplified();
        if (part.isEmpty()) {
            paragraphEnded = !text.isEmpty();
            continue;
        }
        if (!text.isEmpty())
            text += paragraphEnded ? u'\n' : u' ';
        text += part;
        paragraphEnded = false;
    }
    return text;
}

} // namespace

ReadmeFacts readReadme(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QString text = decodeMapText(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');

    ReadmeFacts facts;
    bool haveTitle = false;
    bool haveDescription = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (!facts.hasPlayers())
            playerRange(line, &facts.minPlayers, &facts.maxPlayers);
        QString label;
        QString value;
        if (!headerLine(line, &label, &value))
            continue;
        if (!haveTitle && label == u"title" && !value.isEmpty()) {
            haveTitle = true;
            facts.title = storable(value.simplified()).left(kLevelFields[Field::Level].size).trimmed();
        } else if (!haveDescription && label == u"description") {
            QStringList block{value};
            qsizetype next = i + 1;
            QString ignoredLabel;
            QString ignoredValue;
            for (; next < lines.size(); ++next) {
                if (ruleLine(lines.at(next)) || headerLine(lines.at(next), &ignoredLabel, &ignoredValue))
                    break;
                block.append(lines.at(next));
            }
            facts.description = storable(joinedBlock(block));
            haveDescription = !facts.description.isEmpty();
        }
    }
    return facts;
}

} // namespace tolvex
