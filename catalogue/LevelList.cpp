#include "catalogue/LevelList.h"

#include "common/toolbox.h"
#include "platform/dialogs/TolvexError.h"

namespace tolvex {

namespace {

void requireRecordSize(const QStringList& lines)
{
    if (lines.size() != LevelList::kLinesPerRecord)
        throw TolvexError(listIndexMessage(lines.size()));
}

} // namespace

QString LevelList::escapeDescription(const QString& text)
{
    return ReplaceAll(ReplaceAll(text, QStringLiteral("\r"), QStringLiteral("<CR>")), QStringLiteral("\n"), QStringLiteral("<LF>"));
}

QString LevelList::unescapeDescription(const QString& line)
{
    if (!line.contains(u'<'))
        return line;
    return ReplaceAll(ReplaceAll(line, QStringLiteral("<LF>"), QStringLiteral("\n")), QStringLiteral("<CR>"), QStringLiteral("\r"));
}

QStringList LevelList::recordLines(const QStringList& fieldTexts)
{
    requireRecordSize(fieldTexts);
    QStringList lines = fieldTexts;
    lines[Field::Beschreibung] = escapeDescription(lines.at(Field::Beschreibung));
    return lines;
}

QStringList LevelList::recordLines(const LevelRecord& record)
{
    QStringList texts;
    texts.reserve(kFieldCount);
    for (int pos = 0; pos < kFieldCount; ++pos)
        texts << fieldText(pos, record[size_t(pos)]);
    return recordLines(texts);
}

QStringList LevelList::groupTexts(const QStringList& groupLines)
{
    requireRecordSize(groupLines);
    QStringList texts = groupLines;
    texts[Field::Beschreibung] = unescapeDescription(texts.at(Field::Beschreibung));
    return texts;
}

} // namespace tolvex
