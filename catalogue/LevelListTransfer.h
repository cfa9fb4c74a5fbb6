#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>

namespace tolvex {

class LevelTable;

// Moves level records between the level table and level list files: the
// export writes every record, the import appends the records whose file
// names the table does not hold yet. Both walk the table's one cursor with
// the display of its controls suspended, and resume it however they end.
class LevelListTransfer {
public:
    // Hears the records (export) or groups (import) done so far, of how many.
    using Progress = std::function<void(int done, int total)>;

    explicit LevelListTransfer(LevelTable& table, Progress progress = {});

    // The level list text of every record in key order. The cursor ends on
    // the last record; a pending edit is finished first, as by every move.
    [[nodiscard]] QByteArray exportText();
    // A text the file could not give back the same (a character Windows-1252
    // lacks, a line break outside the description, "<CR>" typed into one)
    // stops it with an error naming the record and the field, before a byte is written.
    // Throws "Datei %s kann nicht erstellt werden" or "Stream-Write-Fehler";
    // either way a file that was there stays whole.
    void exportFile(const QString& path);

    // Takes the lines of a level list text in groups of 13. A group whose first line equals a
    // stored file name exactly is skipped; the others are appended. Stops at
    // an incomplete group, a group the table refuses or a line longer than
    // LevelList::kMaxLineLength, keeping the records appended before. Afterwards the cursor stands on the record of the
    // last group handled.
    void importText(QByteArrayView bytes);
    // Throws "Datei %s kann nicht geöffnet werden" before anything is imported.
    void importFile(const QString& path);

private:
    void report(int done, int total) const;
    [[noreturn]] void refuse(int position, int pos, const QString& why);

    LevelTable& m_table;
    Progress m_progress;
};

} // namespace tolvex
