#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace tolvex::test {

// One level as a Paradox catalogue stores it; texts are bytes of the table's
// code page, an empty one is an empty value.
struct ParadoxLevel {
    QByteArray datei;
    QByteArray level;
    QByteArray typ;
    std::optional<qint16> minPlayer;
    std::optional<qint16> maxPlayer;
    QByteArray beschreibung;
    std::array<std::optional<bool>, 7> flags;
};

struct ParadoxField {
    const char* name;
    char type;  // pxlib's pxf… type
    int length;
};

// The thirteen fields of the Paradox catalogue table, in its order.
[[nodiscard]] std::vector<ParadoxField> levelFields();

// Writes the table file and, beside it, its memo file with pxlib.
void writeParadoxTable(const QString& path, const std::vector<ParadoxLevel>& levels, int codePage = 1252);
// Points the description of every record of a table written above at one
// memo, the only one in its memo file, which is written anew: many records
// sharing one large memo, as a hostile table may.
void shareOneMemo(const QString& path, const QByteArray& memo);
// Writes an empty table of the given fields.
void writeParadoxFields(const QString& path, const std::vector<ParadoxField>& fields);

} // namespace tolvex::test
