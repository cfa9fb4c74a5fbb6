#include "MemoryDataset.h"

#include "platform/dialogs/TolvexError.h"

#include <algorithm>

namespace tolvex::test {

namespace {

const FieldValue kNoValue;

QString textForm(const FieldValue& value)
{
    if (const auto* s = std::get_if<QString>(&value))
        return *s;
    if (const auto* n = std::get_if<int>(&value))
        return QString::number(*n);
    if (const auto* b = std::get_if<bool>(&value))
        return *b ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    return {};
}

FieldValue fromText(int pos, const QString& text)
{
    if (text.isEmpty())
        return {};
    const FieldDef& def = kLevelFields[pos];
    const QString name = QString::fromUtf8(def.name);
    switch (def.kind) {
    case FieldKind::Text:
        return text.left(def.size);
    case FieldKind::Memo:
        return text;
    case FieldKind::SmallInt: {
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok || n < -32768 || n > 32767)
            throw TolvexError(formatMessage(QStringLiteral("'%s' ist kein gültiger Integerwert für Feld '%s'"), {text, name}));
        return n;
    }
    case FieldKind::Boolean:
        if (QStringLiteral("Falsch").startsWith(text, Qt::CaseInsensitive))
            return false;
        if (QStringLiteral("Wahr").startsWith(text, Qt::CaseInsensitive))
            return true;
        throw TolvexError(formatMessage(QStringLiteral("'%s' ist kein gültiger boolescher Wert für Feld '%s'"), {text, name}));
    }
    return {};
}

QString keyOf(const LevelRecord& r)
{
    return textForm(r[Field::Datei]);
}

} // namespace

std::vector<QStringList> sampleLevels()
{
    return {
        {"dm1", "The Edge", "DM", "2", "8", "Zeile eins\r\nZeile zwei", "Wahr", "Falsch", "Wahr", "Wahr", "Falsch", "Wahr", "Falsch"},
        {"ctf1", "The Edge", "CTF", "4", "16", "", "", "", "", "", "", "", ""},
        {"q2dm3", "Lost Hallways", "Dm", "", "", "", "Falsch", "Falsch", "Falsch", "Falsch", "Falsch", "Falsch", "Falsch"},
    };
}

void MemoryDataset::load(const std::vector<QStringList>& records)
{
    m_records.clear();
    for (const QStringList& texts : records) {
        LevelRecord r;
        for (int pos = 0; pos < kFieldCount && pos < texts.size(); ++pos)
            r[pos] = fromText(pos, texts[pos]);
        m_records.push_back(std::move(r));
    }
    std::sort(m_records.begin(), m_records.end(), [](const auto& a, const auto& b) { return keyOf(a) < keyOf(b); });
    m_state = State::Browse;
    m_index = 0;
    m_bof = true;
    m_eof = m_records.empty();
    Q_EMIT recordsChanged();
    Q_EMIT stateChanged();
    Q_EMIT recordChanged();
}

void MemoryDataset::generate(int count)
{
    m_records.assign(static_cast<size_t>(count), LevelRecord{});
    for (int i = 0; i < count; ++i)
        m_records[static_cast<size_t>(i)][Field::Datei] = QStringLiteral("q%1").arg(i, 6, 10, QLatin1Char('0'));
    m_state = State::Browse;
    m_index = 0;
    m_bof = true;
    m_eof = count == 0;
    Q_EMIT recordsChanged();
    Q_EMIT stateChanged();
    Q_EMIT recordChanged();
}

void MemoryDataset::close()
{
    m_state = State::Inactive;
    Q_EMIT stateChanged();
    Q_EMIT recordChanged();
}

QString MemoryDataset::storedText(int index, int pos) const
{
    return textForm(m_records.at(static_cast<size_t>(index))[pos]);
}

void MemoryDataset::requireOpen() const
{
    if (m_state == State::Inactive)
        throw TolvexError(QStringLiteral("Operation bei geschlossener Datenmenge nicht ausführbar"));
}

const FieldDef& MemoryDataset::field(int pos) const
{
    return kLevelFields.at(static_cast<size_t>(pos));
}

int MemoryDataset::fieldIndex(const QString& name) const
{
    for (int pos = 0; pos < kFieldCount; ++pos) {
        if (name.compare(QString::fromUtf8(kLevelFields[pos].name), Qt::CaseInsensitive) == 0)
            return pos;
    }
    return -1;
}

const FieldValue& MemoryDataset::value(int pos) const
{
    requireOpen();
    if (m_state != State::Browse)
        return m_pending[pos];
    if (m_records.empty())
        return kNoValue;
    return m_records[static_cast<size_t>(m_index)][pos];
}

QString MemoryDataset::text(int pos) const
{
    return textForm(value(pos));
}

void MemoryDataset::setText(int pos, const QString& text)
{
    setValue(pos, fromText(pos, text));
}

void MemoryDataset::setValue(int pos, const FieldValue& value)
{
    requireOpen();
    if (m_state == State::Browse)
        throw TolvexError(QStringLiteral("Datensatz wird nicht bearbeitet"));
    m_pending[pos] = value;
    m_modified = true;
    Q_EMIT fieldChanged(pos);
}

void MemoryDataset::finishPending()
{
    requireOpen();
    if (m_state == State::Browse)
        return;
    Q_EMIT updateRecordRequested();
    if (m_modified)
        post();
    else
        cancel();
}

void MemoryDataset::first()
{
    finishPending();
    m_index = 0;
    m_bof = true;
    m_eof = m_records.empty();
    Q_EMIT recordChanged();
}

void MemoryDataset::prior()
{
    finishPending();
    if (m_index > 0) {
        --m_index;
        m_eof = false;
        m_bof = false;
    } else {
        m_bof = true;
    }
    Q_EMIT recordChanged();
}

void MemoryDataset::next()
{
    finishPending();
    if (m_index + 1 < recordCount()) {
        ++m_index;
        m_bof = false;
        m_eof = false;
    } else {
        m_eof = true;
    }
    Q_EMIT recordChanged();
}

void MemoryDataset::last()
{
    finishPending();
    m_index = std::max(0, recordCount() - 1);
    m_bof = m_records.empty();
    m_eof = true;
    Q_EMIT recordChanged();
}

void MemoryDataset::moveTo(int recNo)
{
    finishPending();
    if (recNo < 1 || recNo > recordCount())
        throw TolvexError(QStringLiteral("Kein Datensatz %1").arg(recNo));
    m_index = recNo - 1;
    m_bof = false;
    m_eof = false;
    Q_EMIT recordChanged();
}

int MemoryDataset::recNo() const
{
    if (m_state == State::Insert)
        return -1;
    return m_records.empty() ? 0 : m_index + 1;
}

QString MemoryDataset::textAt(int index, int pos) const
{
    ++m_textAtCalls;
    return textForm(valueAt(index, pos));
}

FieldValue MemoryDataset::valueAt(int index, int pos) const
{
    return m_records.at(static_cast<size_t>(index))[pos];
}

void MemoryDataset::insert()
{
    finishPending();
    m_pending = {};
    m_modified = false;
    m_state = State::Insert;
    Q_EMIT stateChanged();
    Q_EMIT recordChanged();
}

void MemoryDataset::edit()
{
    requireOpen();
    if (m_state != State::Browse)
        return;
    if (m_records.empty())
        throw TolvexError(QStringLiteral("Keine Datensätze"));
    m_pending = m_records[static_cast<size_t>(m_index)];
    m_modified = false;
    m_state = State::Edit;
    Q_EMIT stateChanged();
}

void MemoryDataset::store(LevelRecord record)
{
    const QString key = keyOf(record);
    const auto at = std::lower_bound(m_records.begin(), m_records.end(), key,
                                     [](const LevelRecord& r, const QString& k) { return keyOf(r) < k; });
    m_index = static_cast<int>(m_records.insert(at, std::move(record)) - m_records.begin());
}

void MemoryDataset::post()
{
    requireOpen();
    if (m_state == State::Browse)
        return;
    Q_EMIT updateRecordRequested();
    for (int pos = 0; pos < kFieldCount; ++pos) {
        if (kLevelFields[pos].required && textForm(m_pending[pos]).isEmpty())
            throw TolvexError(formatMessage(QStringLiteral("Feld '%s' muß einen Wert haben"), {QString::fromUtf8(kLevelFields[pos].name)}));
    }
    const QString key = keyOf(m_pending);
    for (int i = 0; i < recordCount(); ++i) {
        if (keyOf(m_records[static_cast<size_t>(i)]) == key && !(m_state == State::Edit && i == m_index))
            throw TolvexError(QStringLiteral("Schlüsselverletzung"));
    }
    if (m_state == State::Edit)
        m_records.erase(m_records.begin() + m_index);
    store(std::move(m_pending));
    m_pending = {};
    m_state = State::Browse;
    m_modified = false;
    m_bof = false;
    m_eof = false;
    Q_EMIT stateChanged();
    Q_EMIT recordsChanged();
    Q_EMIT recordChanged();
}

void MemoryDataset::cancel()
{
    requireOpen();
    if (m_state == State::Browse)
        return;
    m_state = State::Browse;
    m_modified = false;
    Q_EMIT stateChanged();
    Q_EMIT recordChanged();
}

void MemoryDataset::remove()
{
    requireOpen();
    ++m_removeCalls;
    if (m_records.empty())
        throw TolvexError(QStringLiteral("Keine Datensätze"));
    if (m_state != State::Browse)
        cancel();
    m_records.erase(m_records.begin() + m_index);
    m_index = std::min(m_index, std::max(0, recordCount() - 1));
    m_bof = m_index == 0;
    m_eof = m_records.empty();
    Q_EMIT recordsChanged();
    Q_EMIT recordChanged();
}

void MemoryDataset::disableControls()
{
    ++m_disabled;
    ++m_suspensions;
}

void MemoryDataset::enableControls()
{
    if (m_disabled > 0 && --m_disabled == 0)
        Q_EMIT controlsEnabled();
}

QStringList levelTexts(const QString& datei, const QString& level, const QString& typ, const QString& minPlayers,
                       const QString& maxPlayers, const QStringList& flags)
{
    QStringList texts{datei, level, typ, minPlayers, maxPlayers, QStringLiteral("Beschreibung")};
    for (int pos = Field::Quad; pos < kFieldCount; ++pos)
        texts << (flags.contains(QLatin1String(kLevelFields[pos].name)) ? QStringLiteral("Wahr") : QStringLiteral("Falsch"));
    return texts;
}

} // namespace tolvex::test
