#pragma once

#include "catalogue/LevelFields.h"
#include "platform/Dataset.h"

#include <QStringList>

#include <vector>

// A level table in memory with the cursor rules of the real one, as far as a
// walk over all records needs them; it counts the display suspensions.
class LevelTableDouble final : public tolvex::Dataset {
public:
    explicit LevelTableDouble(std::vector<QStringList> records)
        : m_records(std::move(records))
    {
    }

    // A record from its file name, level name, type, players and the set flags.
    static QStringList record(const QString& datei, const QString& level, const QString& typ = QStringLiteral("DM"),
                              const QString& minPlayers = {}, const QString& maxPlayers = {},
                              const QStringList& flags = {})
    {
        QStringList texts{datei, level, typ, minPlayers, maxPlayers, QStringLiteral("Beschreibung")};
        for (int pos = tolvex::Field::Quad; pos < tolvex::kFieldCount; ++pos)
            texts << (flags.contains(QLatin1String(tolvex::kLevelFields[pos].name)) ? QStringLiteral("Wahr")
                                                                                     : QStringLiteral("Falsch"));
        return texts;
    }

    [[nodiscard]] int suspensionDepth() const { return m_suspended; }
    [[nodiscard]] int suspensions() const { return m_suspensions; }

    State state() const override { return State::Browse; }
    int fieldCount() const override { return tolvex::kFieldCount; }
    const tolvex::FieldDef& field(int pos) const override { return tolvex::kLevelFields.at(std::size_t(pos)); }
    int fieldIndex(const QString& name) const override
    {
        for (int pos = 0; pos < tolvex::kFieldCount; ++pos) {
            if (name.compare(QLatin1String(tolvex::kLevelFields[pos].name), Qt::CaseInsensitive) == 0)
                return pos;
        }
        return -1;
    }

    const tolvex::FieldValue& value(int) const override { return m_none; }
    QString text(int pos) const override { return textAt(m_current, pos); }
    void setText(int, const QString&) override {}
    void setValue(int, const tolvex::FieldValue&) override {}
    bool isModified() const override { return false; }

    void first() override
    {
        m_current = 0;
        m_bof = true;
        m_eof = m_records.empty();
    }
    void prior() override
    {
        m_bof = m_current == 0;
        m_current = qMax(0, m_current - 1);
        m_eof = false;
    }
    void next() override
    {
        m_bof = false;
        if (m_current + 1 < int(m_records.size()))
            ++m_current;
        else
            m_eof = true;
    }
    void last() override
    {
        m_current = qMax(0, int(m_records.size()) - 1);
        m_eof = true;
        m_bof = false;
    }
    void moveTo(int recNo) override
    {
        m_current = qBound(0, recNo - 1, qMax(0, int(m_records.size()) - 1));
        m_bof = m_eof = false;
    }
    bool bof() const override { return m_bof; }
    bool eof() const override { return m_eof; }
    bool isEmpty() const override { return m_records.empty(); }
    int recNo() const override { return m_records.empty() ? 0 : m_current + 1; }
    int recordCount() const override { return int(m_records.size()); }
    QString textAt(int index, int pos) const override
    {
        if (index < 0 || index >= int(m_records.size()))
            return {};
        return m_records[std::size_t(index)].value(pos);
    }
    const tolvex::FieldValue& valueAt(int, int) const override { return m_none; }

    void insert() override {}
    void edit() override {}
    void post() override {}
    void cancel() override {}
    void remove() override {}

    void disableControls() override
    {
        ++m_suspended;
        ++m_suspensions;
    }
    void enableControls() override { --m_suspended; }
    bool controlsDisabled() const override { return m_suspended > 0; }

private:
    std::vector<QStringList> m_records;
    tolvex::FieldValue m_none;
    int m_current = 0;
    bool m_bof = true;
    bool m_eof = false;
    int m_suspended = 0;
    int m_suspensions = 0;
};
