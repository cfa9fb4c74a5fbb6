#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

namespace tolvex {

// The file version of a program: major.minor.release, build.
struct VersionNumbers {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t release = 0;
    std::uint16_t build = 0;

    friend bool operator==(const VersionNumbers&, const VersionNumbers&) = default;
};

// The record the build embeds in a program file: a 16-byte marker, the four
// numbers as little-endian 16-bit values, and an FNV-1a checksum over both.
inline constexpr std::size_t kVersionMarkerSize = 16;
inline constexpr std::size_t kVersionRecordSize = kVersionMarkerSize + 8 + 4;
using VersionRecordBytes = std::array<unsigned char, kVersionRecordSize>;

inline constexpr std::array<unsigned char, kVersionMarkerSize> kVersionMarker{
    0x89, 'T', 'o', 'l', 'v', 'e', 'x', 'V', 'e', 'r', 's', 'i', 'o', 'n', '\r', '\n'};

[[nodiscard]] constexpr std::uint32_t versionChecksum(const unsigned char* bytes, std::size_t size)
{
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
    return hash;
}

[[nodiscard]] constexpr VersionRecordBytes makeVersionRecord(VersionNumbers v)
{
    VersionRecordBytes record{};
    for (std::size_t i = 0; i < kVersionMarkerSize; ++i)
        record[i] = kVersionMarker[i];
    const std::uint16_t numbers[4] = {v.major, v.minor, v.release, v.build};
    for (std::size_t i = 0; i < 4; ++i) {
        record[kVersionMarkerSize + 2 * i] = static_cast<unsigned char>(numbers[i] & 0xFF);
        record[kVersionMarkerSize + 2 * i + 1] = static_cast<unsigned char>(numbers[i] >> 8);
    }
    const std::uint32_t sum = versionChecksum(record.data(), kVersionMarkerSize + 8);
    for (std::size_t i = 0; i < 4; ++i)
        record[kVersionMarkerSize + 8 + i] = static_cast<unsigned char>((sum >> (8 * i)) & 0xFF);
    return record;
}

// Finds the version record in a program file. Throws "Datei %s kann nicht
// geöffnet werden", or a message saying that the file carries no version or
// a damaged one.
[[nodiscard]] VersionNumbers readVersionRecord(const QString& programFile);

[[nodiscard]] QString noVersionMessage(const QString& programFile);
[[nodiscard]] QString damagedVersionMessage(const QString& programFile);

} // namespace tolvex
