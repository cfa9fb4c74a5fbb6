#pragma once

#include "platform/files/FileDescriptor.h"
#include "platform/files/FileIdentity.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tolvex {

// Held from before the question until a conversion has ended, so that only
// one copy of the program converts a catalogue: a second one stops at once,
// as at a table in use, and never touches the files the first is writing.
// The lock lives on the open table file and goes with the process, whatever
// ends it.
class ConversionLock {
public:
    // Locks the Paradox table file at the path. Throws "Tabelle %s wird
    // gerade von einem anderen Programm übernommen" when another copy holds
    // the lock, and when the file cannot be opened.
    explicit ConversionLock(const QString& path);

    // Whether the locked file is still the Paradox table at the path: a copy
    // that finished its conversion meanwhile left an SQLite table there.
    [[nodiscard]] bool holdsParadoxTable() const;
    [[nodiscard]] const QString& path() const { return m_path; }
    [[nodiscard]] std::optional<FileIdentity> identity() const { return m_identity; }

private:
    QString m_path;
    FileDescriptor m_fd;
    std::optional<FileIdentity> m_identity;
};

// Writes the records of the Paradox table at the path into a new level table
// file (one that does not exist yet, or is empty), reading and writing one
// record at a time, and returns how many it holds. A record the text forms
// refuse, or one they would cut, stops with its error, naming the table and
// the record (its file name, or its number when it has none); a damaged
// table stops with the reader's error. The file is then partly written.
int copyParadoxRecords(const QString& paradoxPath, const QString& newFile);

// Replaces the Paradox level table at the lock's path by an SQLite level
// table of the same name holding the same records. The new table is built
// beside it under a temporary name, reading and writing one record at a
// time; the Paradox files (the table, its memo file, its indexes) then go
// into the folder "paradox" beside them, and the new file takes the table's
// name. At every moment one whole catalogue is in place: until the rename
// the Paradox table with all its files, from then on the new table, the old
// files whole in "paradox". A damaged table, a refused record, a file of
// another content already in "paradox", or a table replaced from outside
// meanwhile throws with nothing moved and no temporary file left.
void convertParadoxCatalogue(const ConversionLock& lock);
// The same, taking the lock itself.
void convertParadoxCatalogue(const QString& path);

} // namespace tolvex
