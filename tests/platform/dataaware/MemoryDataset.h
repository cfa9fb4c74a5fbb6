#pragma once

#include "level/LevelFields.h"
#include "platform/dataaware/Dataset.h"

#include <QStringList>

#include <vector>

namespace tolvex::test {

// A dataset held in memory with the level fields and the cursor rules the
// bound controls rely on: records in key order, begin and end marks, and
// every move first finishing a pending edit or insert.
class MemoryDataset final : public Dataset {
public:
    using Dataset::Dataset;

    // Each record as thirteen texts in field order, stored through the text forms.
    void load(const std::vector<QStringList>& records);
    // count records with generated file names and nothing else.
    void generate(int count);
    void close();

    [[nodiscard]] int textAtCalls() const { return m_textAtCalls; }
    void resetTextAtCalls() { m_textAtCalls = 0; }
    [[nodiscard]] int removeCalls() const { return m_removeCalls; }
    // How deep the display is suspended now, and how often it was suspended.
    [[nodiscard]] int suspensionDepth() const { return m_disabled; }
    [[nodiscard]] int suspensions() const { return m_suspensions; }
    [[nodiscard]] QString storedText(int index, int pos) const;

    [[nodiscard]] State state() const override { return m_state; }
    [[nodiscard]] int fieldCount() const override { return kFieldCount; }
    [[nodiscard]] const FieldDef& field(int pos) const override;
    [[nodiscard]] int fieldIndex(const QString& name) const override;

    [[nodiscard]] const FieldValue& value(int pos) const override;
    [[nodiscard]] QString text(int pos) const override;
    void setText(int pos, const QString& text) override;
    void setValue(int pos, const FieldValue& value) override;
    [[nodiscard]] bool isModified() const override { return m_modified; }

    void first() override;
    void prior() override;
    void next() override;
    void last() override;
    void moveTo(int recNo) override;
    [[nodiscard]] bool bof() const override { return m_bof; }
    [[nodiscard]] bool eof() const override { return m_eof; }
    [[nodiscard]] bool isEmpty() const override { return m_records.empty(); }
    [[nodiscard]] int recNo() const override;
    [[nodiscard]] int recordCount() const override { return static_cast<int>(m_records.size()); }
    [[nodiscard]] QString textAt(int index, int pos) const override;
    [[nodiscard]] FieldValue valueAt(int index, int pos) const override;

    void insert() override;
    void edit() override;
    void post() override;
    void cancel() override;
    void remove() override;

    void disableControls() override;
    void enableControls() override;
    [[nodiscard]] bool controlsDisabled() const override { return m_disabled > 0; }

private:
    void requireOpen() const;
    void finishPending();
    void store(LevelRecord record);

    std::vector<LevelRecord> m_records;
    LevelRecord m_pending;
    State m_state = State::Browse;
    int m_index = 0;
    bool m_bof = true;
    bool m_eof = true;
    bool m_modified = false;
    int m_disabled = 0;
    int m_suspensions = 0;
    int m_removeCalls = 0;
    mutable int m_textAtCalls = 0;
};

// A level as thirteen texts: file name, level name, type, players, a
// description, and "Wahr" for the flags named, "Falsch" for the others.
[[nodiscard]] QStringList levelTexts(const QString& datei, const QString& level, const QString& typ = QStringLiteral("DM"),
                                     const QString& minPlayers = {}, const QString& maxPlayers = {},
                                     const QStringList& flags = {});

// Three levels, in key order: ctf1 (CTF, no description, flags empty), dm1
// (DM, a description, flags set and cleared) and q2dm3 (type "Dm", no players).
[[nodiscard]] std::vector<QStringList> sampleLevels();

} // namespace tolvex::test
