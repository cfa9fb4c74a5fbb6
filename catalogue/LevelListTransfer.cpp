#include "catalogue/LevelListTransfer.h"

#include "catalogue/BulkAppends.h"
#include "catalogue/LevelList.h"
#include "catalogue/LevelTable.h"
#include "platform/DisplaySuspension.h"
#include "platform/LineReader.h"
#include "platform/TextFile.h"
#include "platform/TolvexError.h"

#include <utility>

namespace tolvex {

namespace {

// Stops the export at a value the level list would give back otherwise:
// numbers and flags always come back, texts only when they fit the line.
void requireCarried(const LevelTable& table, int pos)
{
    const auto* text = std::get_if<QString>(&table.value(pos));
    if (!text)
        return;
    auto why = textFault(pos, *text);
    // There is no escape for "<" itself, so typed "<CR>" or "<LF>" would come back as a line break.
    if (!why && pos == Field::Beschreibung && text->contains(u'<')
        && LevelList::unescapeDescription(LevelList::escapeDescription(*text)) != *text)
        why = QStringLiteral("enthält \"<CR>\" oder \"<LF>\" als Text, den ein Import als Zeilenumbruch liest");
    // A longer line is one the import refuses.
    if (!why && pos == Field::Beschreibung && text->size() * 4 > LevelList::kMaxLineLength
        && LevelList::escapeDescription(*text).size() > LevelList::kMaxLineLength)
        why = QStringLiteral("ist länger als eine Zeile der Levelliste (%1 Zeichen)").arg(LevelList::kMaxLineLength);
    if (why)
        throw TolvexError(formatMessage(QStringLiteral("Datensatz '%s': Feld '%s' %s; die Levelliste wird nicht geschrieben"),
                                        {table.text(Field::Datei), QLatin1String(kLevelFields[size_t(pos)].name), *why}));
}

} // namespace

LevelListTransfer::LevelListTransfer(LevelTable& table, Progress progress)
    : m_table(table)
    , m_progress(std::move(progress))
{
}

void LevelListTransfer::report(int done, int total) const
{
    if (m_progress)
        m_progress(done, total);
}

QByteArray LevelListTransfer::exportText()
{
    DisplaySuspension suspension(m_table);
    m_table.first();
    const int total = m_table.recordCount();
    // Joined record by record: a large catalogue is never held as lines all at once.
    QByteArray bytes;
    // About the size of a record with a short description, to spare regrowing.
    bytes.reserve(qsizetype(total) * 160);
    int done = 0;
    while (!m_table.eof()) {
        for (int pos = 0; pos < kFieldCount; ++pos) {
            requireCarried(m_table, pos);
            LevelList::appendFieldLine(bytes, pos, m_table.value(pos));
        }
        report(++done, total);
        m_table.next();
    }
    suspension.resume();
    return bytes;
}

void LevelListTransfer::exportFile(const QString& path)
{
    writeText(path, exportText());
}

void LevelListTransfer::importText(QByteArrayView bytes)
{
    constexpr qsizetype kGroup = LevelList::kLinesPerRecord;
    // Read group by group: a large file is never held as lines all at once.
    LineReader reader(bytes, LevelList::kMaxLineLength);
    const int total = m_progress ? int((reader.countRemaining() + kGroup - 1) / kGroup) : 0;
    DisplaySuspension suspension(m_table);
    BulkAppends bulk(m_table);
    QStringList group;
    group.reserve(kGroup);
    int done = 0;
    while (!reader.atEnd()) {
        group.clear();
        while (group.size() < kGroup && !reader.atEnd())
            group.append(reader.next());
        if (group.size() < kGroup)
            throw TolvexError(listIndexMessage(group.size()));
        // The key lookup finds the one record that could match; the exact
        // comparison then tells what a walk comparing every name would:
        // another letter case is not the same name here.
        const QString& name = group.constFirst();
        const int found = m_table.indexOfKey(name);
        if (found >= 0 && m_table.textAt(found, Field::Datei) == name)
            m_table.moveTo(found + 1);
        else
            m_table.appendRecord(LevelList::groupTexts(group));
        report(++done, total);
    }
    bulk.end();
    suspension.resume();
}

void LevelListTransfer::importFile(const QString& path)
{
    importText(readText(path));
}

} // namespace tolvex
