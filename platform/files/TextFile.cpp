#include "platform/files/TextFile.h"

#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"
#include "platform/files/LineReader.h"
#include "platform/files/SafeFile.h"

#include <algorithm>
#include <utility>

namespace tolvex {

QStringList splitLines(QByteArrayView bytes)
{
    LineReader reader(bytes);
    QStringList lines;
    lines.reserve(reader.countRemaining());
    while (!reader.atEnd())
        lines.append(reader.next());
    return lines;
}

QByteArray joinLines(const QStringList& lines)
{
    QByteArray bytes;
    appendLines(bytes, lines);
    return bytes;
}

void appendLines(QByteArray& bytes, const QStringList& lines)
{
    qsizetype total = bytes.size();
    for (const QString& line : lines)
        total += line.size() + 2;
    if (total > bytes.capacity())
        bytes.reserve(std::max(total, 2 * bytes.capacity()));
    for (const QString& line : lines) {
        cp1252::appendEncoded(bytes, line);
        bytes.append('\r').append('\n');
    }
}

QString cannotOpenMessage(const QString& path)
{
    return formatMessage(QStringLiteral("Datei %s kann nicht geöffnet werden"), {path});
}

QString cannotCreateMessage(const QString& path)
{
    return formatMessage(QStringLiteral("Datei %s kann nicht erstellt werden"), {path});
}

QByteArray readText(const QString& path)
{
    auto bytes = readWholeFile(path);
    if (!bytes)
        throw TolvexError(cannotOpenMessage(path));
    return std::move(*bytes);
}

QStringList readLines(const QString& path)
{
    return splitLines(readText(path));
}

void writeLines(const QString& path, const QStringList& lines)
{
    writeText(path, joinLines(lines));
}

void writeText(const QString& path, QByteArrayView bytes)
{
    const auto failure = saveAtomically(path, bytes);
    if (!failure)
        return;
    if (*failure == SaveFailure::CannotCreate)
        throw TolvexError(cannotCreateMessage(path));
    throw TolvexError(QStringLiteral("Stream-Write-Fehler"));
}

} // namespace tolvex
