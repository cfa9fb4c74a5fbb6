#pragma once

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

// What the user narrows the catalogue to. The default value lets every
// record through, which is the table as it was before filters existed.
struct LevelFilter {
    enum class Type { All, DM, CTF };

    // Found anywhere in the file name, title or description.
    QString text;
    Type type = Type::All;
    // A level fits when Min <= players <= Max; an empty bound is open.
    std::optional<int> players;
    // Bit i stands for the item field Quad + i; a level needs every one set.
    std::uint8_t items = 0;
    bool installedOnly = false;
    bool neverPlayed = false;

    [[nodiscard]] bool isSet() const { return *this != LevelFilter{}; }
    bool operator==(const LevelFilter&) const = default;
};

inline constexpr int kFilterItemCount = 7;
// The longest text the filter takes, and the player numbers it takes.
inline constexpr int kFilterTextLength = 50;
inline constexpr int kMinFilterPlayers = 0;
inline constexpr int kMaxFilterPlayers = 32767;

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
