#pragma once

#include "catalogue/LevelStore.h"

#include <QString>
#include <QStringList>

namespace tolvex {

// A level table file being filled in one bulk by a conversion, record by
// record: each is checked and written as the table's appends would, then let
// go, so that memory stays near one record's size whatever the records
// hold. The file is read again by whoever opens it afterwards.
class NewLevelFile {
public:
    // Gives the file at the path, new or empty, the table and holds it for
    // exclusive use; throws when it cannot.
    explicit NewLevelFile(const QString& path);
    ~NewLevelFile();
    NewLevelFile(const NewLevelFile&) = delete;
    NewLevelFile& operator=(const NewLevelFile&) = delete;

    // Thirteen texts in field order through the text forms; a record the
    // forms refuse, one without a file name or level name, or a file name
    // the file holds already throws, and the records before it stay.
    void append(const QStringList& texts);
    // Commits the records and checks that the file written is still the one
    // at the path, then lets go of it. Returns how many records it holds.
    int finish();

private:
    LevelStore m_store;
    int m_count = 0;
};

} // namespace tolvex
