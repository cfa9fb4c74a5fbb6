#include "catalogue/LevelListTransfer.h"

#include "catalogue/BulkAppends.h"
#include "catalogue/LevelList.h"
#include "catalogue/LevelRecords.h"
#include "catalogue/LevelTable.h"
#include "platform/dataaware/DisplaySuspension.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "platform/files/LineReader.h"
#include "platform/files/TextFile.h"

#include <array>
#include <charconv>
#include <optional>
#include <utility>

namespace tolvex {

namespace {

// Why the level list would give the text back otherwise: numbers and flags
// always come back, texts only when they fit the line. Nothing when it fits.
std::optional<QString> carryFault(int pos, const QString& text)
{
    auto why = textFault(pos, text);
    // There is no escape for "<" itself, so typed "<CR>" or "<LF>" would come back as a line break.
    if (!why && pos == Field::Beschreibung && text.contains(u'<')
        && LevelList::unescapeDescription(LevelList::escapeDescription(text)) != text)
        why = QStringLiteral("enthält \"<CR>\" oder \"<LF>\" als Text, den ein Import als Zeilenumbruch liest");
    // A longer line is one the import refuses.
    if (!why && pos == Field::Beschreibung && text.size() * 4 > LevelList::kMaxLineLength
        && LevelList::escapeDescription(text).size() > LevelList::kMaxLineLength)
        why = QStringLiteral("ist länger als eine Zeile der Levelliste (%1 Zeichen)").arg(LevelList::kMaxLineLength);
    return why;
}

// Whether stored bytes certainly fit their line, so that the full test can be
// spared: most texts are short names without a control character.
bool plainlyCarried(int pos, QByteArrayView bytes)
{
    const FieldDef& def = kLevelFields[size_t(pos)];
    const bool memo = def.kind == FieldKind::Memo;
    if (bytes.isEmpty() || (!memo && bytes.size() > def.size) || (memo && bytes.size() * 4 > LevelList::kMaxLineLength))
        return false;
    for (const char c : bytes) {
        if (c == '\0' || (c == '<' && memo) || (!memo && (c == '\r' || c == '\n')))
            return false;
    }
    return true;
}

// The description's line: every CR becomes "<CR>", then every LF "<LF>",
// which byte by byte is the same as each in one pass.
void appendEscaped(QByteArray& out, QByteArrayView bytes)
{
    qsizetype from = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        out.append(bytes.sliced(from, i - from));
        out.append(bytes[i] == '\r' ? "<CR>" : "<LF>");
        from = i + 1;
    }
    out.append(bytes.sliced(from));
}

void appendNumber(QByteArray& out, int n)
{
    std::array<char, 16> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), n).ptr;
    out.append(digits.data(), end - digits.data());
}

// Writes one field's line from the stored value; the reason instead when the
// list could not carry it.
std::optional<QString> appendField(QByteArray& out, const LevelRecords& records, int index, int pos)
{
    const StoredField field = records.field(index, pos);
    using Kind = StoredField::Kind;
    switch (field.kind) {
    case Kind::Text:
        if (!plainlyCarried(pos, field.bytes)) {
            if (auto why = carryFault(pos, cp1252::decode(field.bytes)))
                return why;
        }
        if (pos == Field::Beschreibung)
            appendEscaped(out, field.bytes);
        else
            out.append(field.bytes);
        break;
    case Kind::Number:
        appendNumber(out, field.number);
        break;
    case Kind::False:
    case Kind::True: {
        const bool flag = field.kind == Kind::True;
        if (kLevelFields[size_t(pos)].kind == FieldKind::Boolean)
            out.append(flag ? QByteArrayView("Wahr") : QByteArrayView("Falsch"));
        else
            out.append(flag ? '1' : '0');
        break;
    }
    case Kind::Empty:
        break;
    }
    out.append("\r\n");
    return std::nullopt;
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
    const LevelRecords& records = m_table.records();
    // The records the filter shows, or every one.
    const int total = m_table.recordCount();
    // Joined record by record: a large catalogue is never held as lines all at once.
    QByteArray bytes;
    // About the size of a record with a short description, to spare regrowing.
    bytes.reserve(qsizetype(total) * 160);
    for (int position = 0; position < total; ++position) {
        const int index = m_table.recordIndex(position);
        for (int pos = 0; pos < kFieldCount; ++pos) {
            if (const auto why = appendField(bytes, records, index, pos))
                refuse(position, pos, *why);
        }
        report(position + 1, total);
    }
    // Where a walk through every record would end.
    m_table.last();
    suspension.resume();
    return bytes;
}

// The cursor stands on the record the user has to mend, as the walk had stopped there.
void LevelListTransfer::refuse(int position, int pos, const QString& why)
{
    if (position > 0)
        m_table.moveTo(position + 1);
    throw TolvexError(formatMessage(QStringLiteral("Datensatz '%s': Feld '%s' %s; die Levelliste wird nicht geschrieben"),
                                    {m_table.text(Field::Datei), QLatin1String(kLevelFields[size_t(pos)].name), why}));
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
    std::array<QByteArrayView, kGroup> group;
    QStringList texts;
    int done = 0;
    while (!reader.atEnd()) {
        int lines = 0;
        while (lines < kGroup && !reader.atEnd())
            group[size_t(lines++)] = reader.nextBytes();
        if (lines < kGroup)
            throw TolvexError(listIndexMessage(lines));
        // The key lookup finds the one record that could match; the exact
        // comparison then tells what a walk comparing every name would:
        // another letter case is not the same name here.
        const QString name = cp1252::decode(group[Field::Datei]);
        const int found = m_table.indexOfKey(name);
        if (found >= 0 && m_table.records().key(found) == name) {
            // A record the filter hides is there all the same; the cursor goes only where it can be seen.
            if (const int position = m_table.positionOf(found); position >= 0)
                m_table.moveTo(position + 1);
        } else {
            texts.clear();
            for (const QByteArrayView line : group)
                texts << cp1252::decode(line);
            m_table.appendRecord(LevelList::groupTexts(texts));
        }
        report(++done, total);
    }
    bulk.end();
    suspension.resume();
    m_table.requireInPlace();
}

void LevelListTransfer::importFile(const QString& path)
{
    importText(readText(path));
}

} // namespace tolvex
