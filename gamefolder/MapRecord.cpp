#include "gamefolder/MapRecord.h"

#include "level/LevelFields.h"
#include "platform/files/Cp1252.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <utility>

namespace tolvex {

namespace {

constexpr int kMinPlayers = 2;
constexpr int kMaxSmallInt = 32767;

bool isBreakAt(const QString& text, qsizetype i, qsizetype* length)
{
    const QChar c = text.at(i);
    if (c == u'\t' || c == u'\n' || c == u'\r') {
        *length = 1;
        return true;
    }
    if (c == u'\\' && i + 1 < text.size() && text.at(i + 1) == u'n') {
        *length = 2;
        return true;
    }
    return false;
}

// Each run of blanks and breaks that holds a break becomes one blank.
QString joinLines(const QString& text)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype run = i;
        bool broken = false;
        qsizetype length = 0;
        while (run < text.size() && (text.at(run) == u' ' || isBreakAt(text, run, &length))) {
            broken = broken || text.at(run) != u' ';
            run += text.at(run) == u' ' ? 1 : length;
        }
        if (run == i) {
            out += text.at(i++);
            continue;
        }
        if (broken)
            out += u' ';
        else
            out += QStringView(text).sliced(i, run - i);
        i = run;
    }
    return out;
}

// Controls and characters outside Windows-1252 become "?", one for each
// character, also for one written as two UTF-16 units.
QString printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const bool control = c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out += control || c.isSurrogate() || !cp1252::representable(c) ? QChar(u'?') : c;
    }
    return out;
}

QString flag(bool set)
{
    return set ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
}

} // namespace

void MapRecord::add(QByteArrayView cp1252)
{
    if (m_count == kFieldCount)
        return;
    if (m_count == 0)
        m_bytes.reserve(128);
    m_bytes.append(cp1252);
    m_ends[std::size_t(m_count++)] = m_bytes.size();
}

std::array<QByteArrayView, kFieldCount> MapRecord::fields() const
{
    std::array<QByteArrayView, kFieldCount> fields;
    qsizetype start = 0;
    for (int pos = 0; pos < m_count; ++pos) {
        const qsizetype end = m_ends[std::size_t(pos)];
        fields[std::size_t(pos)] = QByteArrayView(m_bytes).sliced(start, end - start);
        start = end;
    }
    return fields;
}

QStringList MapRecord::texts() const
{
    QStringList texts;
    texts.reserve(kFieldCount);
    for (const QByteArrayView field : fields())
        texts << cp1252::decode(field);
    return texts;
}

bool keyCanTake(const QString& name)
{
    return !textFault(Field::Datei, name).has_value();
}

QString decodeMapText(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    return utf8.hasError() ? cp1252::decode(bytes) : text;
}

QString levelTitle(QByteArrayView message, const QString& fileName)
{
    const int size = kLevelFields[Field::Level].size;
    const QString title = printable(joinLines(decodeMapText(message)).trimmed()).left(size).trimmed();
    return title.isEmpty() ? fileName : title;
}

namespace {

// Every key and class name of a map is compared with a few names; equal
// lengths are rare, so the length goes first and the bytes are compared inline.
bool is(QByteArrayView text, std::string_view name)
{
    return text.size() == qsizetype(name.size()) && std::memcmp(text.data(), name.data(), name.size()) == 0;
}

// Gathers what the record needs, entity by entity: of each, its last
// "classname" and "message", as the game keeps the last of a key.
class RecordVisitor final : public EntityVisitor {
public:
    void pair(QByteArrayView key, QByteArrayView value) override
    {
        if (is(key, "classname"))
            m_classname = value;
        else if (is(key, "message"))
            m_message = value;
    }

    void entityEnd() override
    {
        const QByteArrayView classname = std::exchange(m_classname, QByteArrayView());
        const QByteArrayView message = std::exchange(m_message, QByteArrayView());
        if (is(classname, "worldspawn") && m_title.isEmpty())
            m_title = message;
        else if (is(classname, "info_player_deathmatch"))
            m_deathmatch = std::min(m_deathmatch + 1, kMaxSmallInt);
        else if (is(classname, "info_player_team1") || is(classname, "info_player_team2"))
            m_team = std::min(m_team + 1, kMaxSmallInt);
        m_ctf = m_ctf || is(classname, "item_flag_team1") || is(classname, "item_flag_team2")
                || is(classname, "info_player_team1") || is(classname, "info_player_team2");
        for (size_t i = 0; i < kItemClasses.size(); ++i)
            m_items[i] = m_items[i] || is(classname, kItemClasses[i]);
    }

    [[nodiscard]] QStringList texts(const QString& fileName) const
    {
        QStringList texts;
        texts.reserve(kFieldCount);
        texts << fileName << levelTitle(m_title, fileName) << (m_ctf ? QStringLiteral("CTF") : QStringLiteral("DM"))
              << QString::number(kMinPlayers) << QString::number(std::max({m_deathmatch, m_team, kMinPlayers})) << QString();
        for (const bool item : m_items)
            texts << flag(item);
        return texts;
    }

private:
    QByteArrayView m_classname;
    QByteArrayView m_message;
    QByteArrayView m_title;
    bool m_ctf = false;
    int m_deathmatch = 0;
    int m_team = 0;
    std::array<bool, kItemClasses.size()> m_items{};
};

} // namespace

QStringList levelTexts(const QString& fileName, const std::vector<Entity>& entities)
{
    RecordVisitor record;
    for (const Entity& entity : entities) {
        for (const auto& pair : entity.pairs)
            record.pair(pair.key, pair.value);
        record.entityEnd();
    }
    return record.texts(fileName);
}

std::optional<MapRecord> mapRecordOfText(const QString& fileName, QByteArrayView text)
{
    if (!keyCanTake(fileName))
        return std::nullopt;
    RecordVisitor record;
    const auto count = readEntities(text, record);
    if (!count || *count == 0)
        return std::nullopt;
    MapRecord mapRecord;
    for (const QString& text : record.texts(fileName))
        mapRecord.add(cp1252::encode(text));
    return mapRecord;
}

} // namespace tolvex
