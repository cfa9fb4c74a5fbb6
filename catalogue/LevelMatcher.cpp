#include "catalogue/LevelMatcher.h"

#include "catalogue/LevelRecords.h"
#include "catalogue/PlayHistory.h"
#include "level/LevelFields.h"
#include "platform/files/Cp1252.h"

#include <algorithm>

namespace tolvex {

namespace {

std::array<unsigned char, 256> makeFoldTable()
{
    std::array<unsigned char, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        table[size_t(byte)] = static_cast<unsigned char>(byte);
        const char raw = char(byte);
        // The base letter is the first of the decomposed character; letters
        // without one (ß, Æ, Ø) only lose their case.
        const QString letter = cp1252::decode(QByteArrayView(&raw, 1)).normalized(QString::NormalizationForm_D).left(1).toLower();
        const int folded = letter.size() == 1 ? cp1252::byteOf(letter[0]) : -1;
        if (folded >= 0)
            table[size_t(byte)] = static_cast<unsigned char>(folded);
    }
    return table;
}

// The bytes of a text field; an empty field has none, whatever its view holds.
QByteArrayView textOf(const StoredField& field)
{
    return field.kind == StoredField::Kind::Text ? field.bytes : QByteArrayView();
}

bool equalsAsciiNoCase(QByteArrayView bytes, QByteArrayView word)
{
    return bytes.size() == word.size() && qstrnicmp(bytes.data(), bytes.size(), word.data(), word.size()) == 0;
}

} // namespace

const std::array<unsigned char, 256>& cp1252FoldTable()
{
    static const std::array<unsigned char, 256> table = makeFoldTable();
    return table;
}

QByteArray foldCp1252(QByteArrayView bytes)
{
    const auto& fold = cp1252FoldTable();
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = char(fold[static_cast<unsigned char>(bytes[i])]);
    return out;
}

LevelMatcher::LevelMatcher(const LevelFilter& filter, InstalledTest installed, const PlayHistory* history)
    : m_filter(filter)
    , m_installed(std::move(installed))
    , m_history(history)
    , m_needle(foldCp1252(cp1252::encode(filter.text)))
    , m_fold(&cp1252FoldTable())
    // No stored text holds a character Windows-1252 lacks.
    , m_unmatchable(!cp1252::representable(filter.text))
{
}

bool LevelMatcher::containsText(QByteArrayView bytes) const
{
    const qsizetype n = m_needle.size();
    if (n > bytes.size())
        return false;
    const auto& fold = *m_fold;
    const auto* hay = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* needle = reinterpret_cast<const unsigned char*>(m_needle.constData());
    const qsizetype lastStart = bytes.size() - n;
    for (qsizetype i = 0; i <= lastStart; ++i) {
        if (fold[hay[i]] != needle[0])
            continue;
        qsizetype j = 1;
        while (j < n && fold[hay[i + j]] == needle[j])
            ++j;
        if (j == n)
            return true;
    }
    return false;
}

bool LevelMatcher::matches(const LevelRecords& records, int index) const
{
    using Kind = StoredField::Kind;
    const std::array<StoredField, kFieldCount> fields = records.fields(index);
    if (m_filter.type != LevelFilter::Type::All
        && !equalsAsciiNoCase(textOf(fields[Field::Typ]), m_filter.type == LevelFilter::Type::DM ? "DM" : "CTF"))
        return false;
    if (m_filter.players) {
        const StoredField& min = fields[Field::MinPlayer];
        const StoredField& max = fields[Field::MaxPlayer];
        if ((min.kind == Kind::Number && min.number > *m_filter.players)
            || (max.kind == Kind::Number && max.number < *m_filter.players))
            return false;
    }
    for (int item = 0; item < kFilterItemCount; ++item) {
        if ((m_filter.items & (1u << item)) && fields[size_t(Field::Quad + item)].kind != Kind::True)
            return false;
    }
    static constexpr std::array<int, 3> kSearched{Field::Datei, Field::Level, Field::Beschreibung};
    if (m_unmatchable)
        return false;
    if (!m_needle.isEmpty()
        && std::none_of(kSearched.begin(), kSearched.end(), [&](int pos) { return containsText(textOf(fields[size_t(pos)])); }))
        return false;
    if (m_filter.installedOnly || m_filter.neverPlayed) {
        const QString key = records.key(index);
        // With no game folder known, no level counts as installed.
        if (m_filter.installedOnly && (!m_installed || !m_installed(key)))
            return false;
        if (m_filter.neverPlayed && m_history && m_history->find(key))
            return false;
    }
    return true;
}

} // namespace tolvex
