#include "platform/processes/VersionRecord.h"

#include "platform/dialogs/TolvexError.h"
#include "platform/files/SafeFile.h"
#include "platform/files/TextFile.h"

#include <QByteArray>
#include <QFile>

#include <optional>

namespace tolvex {

namespace {

// The reader keeps the marker inverted and restores it at run time, so that
// its own copy in the program file is never mistaken for a record.
constexpr auto kInvertedMarker = [] {
    std::array<unsigned char, kVersionMarkerSize> inverted{};
    for (std::size_t i = 0; i < kVersionMarkerSize; ++i)
        inverted[i] = static_cast<unsigned char>(~kVersionMarker[i]);
    return inverted;
}();

QByteArray marker()
{
    volatile unsigned char mask = 0xFF;
    QByteArray bytes(qsizetype(kVersionMarkerSize), Qt::Uninitialized);
    for (std::size_t i = 0; i < kVersionMarkerSize; ++i)
        bytes[qsizetype(i)] = static_cast<char>(kInvertedMarker[i] ^ mask);
    return bytes;
}

std::optional<VersionNumbers> parseRecord(const unsigned char* record)
{
    std::uint32_t stored = 0;
    for (std::size_t i = 0; i < 4; ++i)
        stored |= std::uint32_t(record[kVersionMarkerSize + 8 + i]) << (8 * i);
    if (stored != versionChecksum(record, kVersionMarkerSize + 8))
        return std::nullopt;
    const auto number = [record](std::size_t i) {
        return static_cast<std::uint16_t>(record[kVersionMarkerSize + 2 * i]
                                          | (record[kVersionMarkerSize + 2 * i + 1] << 8));
    };
    return VersionNumbers{number(0), number(1), number(2), number(3)};
}

} // namespace

QString noVersionMessage(const QString& programFile)
{
    return formatMessage(QStringLiteral("Die Datei %s enthält keine Versionsangabe"), {programFile});
}

QString damagedVersionMessage(const QString& programFile)
{
    return formatMessage(QStringLiteral("Die Versionsangabe in %s ist beschädigt"), {programFile});
}

VersionNumbers readVersionRecord(const QString& programFile)
{
    QFile file(programFile);
    if (!fileExists(programFile) || !file.open(QIODevice::ReadOnly))
        throw TolvexError(cannotOpenMessage(programFile));

    // Read in chunks; the tail of each chunk is carried over, so a record
    // that straddles two chunks is seen whole in the second.
    constexpr qsizetype kChunk = 1 << 20;
    const QByteArray wanted = marker();
    QByteArray window;
    bool sawMarker = false;
    for (;;) {
        const QByteArray chunk = file.read(kChunk);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError)
            throw TolvexError(cannotOpenMessage(programFile));
        const bool atEnd = chunk.isEmpty();
        window += chunk;
        for (qsizetype at = window.indexOf(wanted); at >= 0; at = window.indexOf(wanted, at + 1)) {
            if (window.size() - at < qsizetype(kVersionRecordSize)) {
                if (atEnd)
                    sawMarker = true;
                break; // complete in the next chunk, or cut off at the end
            }
            sawMarker = true;
            if (const auto numbers = parseRecord(reinterpret_cast<const unsigned char*>(window.constData() + at)))
                return *numbers;
        }
        if (atEnd)
            break;
        window = window.right(qsizetype(kVersionRecordSize) - 1);
    }
    throw TolvexError(sawMarker ? damagedVersionMessage(programFile) : noVersionMessage(programFile));
}

} // namespace tolvex
