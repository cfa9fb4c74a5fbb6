#pragma once

#include "level/LevelFields.h"

#include <QString>
#include <QStringList>

namespace tolvex {

// The level list file: 13 lines per record, one per field in field order,
// each the field's text form; only the description is escaped.
class LevelList {
public:
    static constexpr int kLinesPerRecord = kFieldCount;
    // The longest line the import reads: 1 MiB of characters. Only the
    // description line comes near it, so it bounds the descriptions a list
    // can bring in (in their escaped form); a longer line stops the import
    // with the list index message naming the line.
    static constexpr qsizetype kMaxLineLength = 1024 * 1024;

    // Every CR becomes "<CR>", then every LF becomes "<LF>".
    [[nodiscard]] static QString escapeDescription(const QString& text);
    // Every "<LF>" becomes LF, then every "<CR>" becomes CR.
    [[nodiscard]] static QString unescapeDescription(const QString& line);

    // The 13 lines of a record from its 13 field texts.
    [[nodiscard]] static QStringList recordLines(const QStringList& fieldTexts);
    [[nodiscard]] static QStringList recordLines(const LevelRecord& record);
    // The 13 field texts of a group of 13 lines, ready for the table's append.
    [[nodiscard]] static QStringList groupTexts(const QStringList& groupLines);
};

} // namespace tolvex
