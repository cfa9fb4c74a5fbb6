#pragma once

#include "level/LevelFilter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace tolvex {

class LevelRecords;
class PlayHistory;

// Windows-1252 bytes with letter case and accents taken off, so "É", "é" and
// "E" compare equal: each byte maps to the byte of its base letter in lower case.
[[nodiscard]] const std::array<unsigned char, 256>& cp1252FoldTable();
[[nodiscard]] QByteArray foldCp1252(QByteArrayView bytes);

// Decides the filter for the stored records. The installed test and the
// history are asked only when the filter needs them.
class LevelMatcher {
public:
    using InstalledTest = std::function<bool(QStringView datei)>;

    LevelMatcher(const LevelFilter& filter, InstalledTest installed, const PlayHistory* history);

    [[nodiscard]] bool matches(const LevelRecords& records, int index) const;
    [[nodiscard]] const LevelFilter& filter() const { return m_filter; }

private:
    [[nodiscard]] bool containsText(QByteArrayView bytes) const;

    LevelFilter m_filter;
    InstalledTest m_installed;
    const PlayHistory* m_history;
    QByteArray m_needle;
    const std::array<unsigned char, 256>* m_fold;
    bool m_unmatchable;
};

} // namespace tolvex
