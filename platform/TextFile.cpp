#include "platform/TextFile.h"

#include "platform/Cp1252.h"
#include "platform/SafeFile.h"
#include "platform/TolvexError.h"

namespace tolvex {

QStringList splitLines(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes = bytes.first(nul);

    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(cp1252::decode(bytes.sliced(start, i - start)));
        if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(cp1252::decode(bytes.sliced(start)));
    return lines;
}

QByteArray joinLines(const QStringList& lines)
{
    qsizetype total = 0;
    for (const QString& line : lines)
        total += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(total);
    for (const QString& line : lines) {
        bytes += cp1252::encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

QString cannotOpenMessage(const QString& path)
{
    return formatMessage(QStringLiteral("Datei %s kann nicht geöffnet werden"), {path});
}

QString cannotCreateMessage(const QString& path)
{
    return formatMessage(QStringLiteral("Datei %s kann nicht erstellt werden"), {path});
}

QStringList readLines(const QString& path)
{
    const auto bytes = readWholeFile(path);
    if (!bytes)
        throw TolvexError(cannotOpenMessage(path));
    return splitLines(*bytes);
}

void writeLines(const QString& path, const QStringList& lines)
{
    const auto failure = saveAtomically(path, joinLines(lines));
    if (!failure)
        return;
    if (*failure == SaveFailure::CannotCreate)
        throw TolvexError(cannotCreateMessage(path));
    throw TolvexError(QStringLiteral("Stream-Write-Fehler"));
}

} // namespace tolvex
