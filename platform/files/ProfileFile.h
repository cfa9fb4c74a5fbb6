#pragma once

#include <QString>

#include <vector>

namespace tolvex {

// An INI file read and written by the rules of the Windows profile functions.
// Section and key names match without regard to case; where a file holds a
// section or key twice, the first match wins. Writing changes only the line
// of its key, or adds it (and its section, at the end of the file); every
// other line survives byte for byte, whatever it holds. Windows-1252 on disk.
//
// The object holds the file in memory from construction: reads see its own
// pending writes, flush() replaces the file on disk as one step, and the
// destructor stores what was not flushed yet.
class ProfileFile {
public:
    // Never fails: a missing or unreadable file reads as empty. A file of more
    // than a million lines counts as unreadable.
    explicit ProfileFile(QString path);
    ~ProfileFile();

    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    [[nodiscard]] const QString& path() const noexcept { return m_path; }

    // The text after the "=", blanks at both ends removed, at most 2,047 characters.
    [[nodiscard]] QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    // See parseIntegerText(); a missing key or a value that isn't an integer gives the default.
    [[nodiscard]] int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // An integer with 1 or 0 as the default; anything but 0 is true.
    [[nodiscard]] bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // Each throws "nach %s kann nicht geschrieben werden" when the file may
    // not be written, before anything changes.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

    // Replaces the file with everything written so far. Throws the same
    // message; the file on disk is then left as it was.
    void flush();

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        QString text;
        QString ending;
        Kind kind = Kind::Other;
        QString name;
        qsizetype valueStart = 0;
    };

    static void classify(Line& line);
    [[nodiscard]] const Line* findKey(const QString& section, const QString& key) const;
    [[nodiscard]] QString writeFailureMessage() const;
    void ensureWritable() const;
    void store();

    QString m_path;
    std::vector<Line> m_lines;
    QString m_newLineEnding;
    bool m_unreadable = false;
    bool m_dirty = false;
};

} // namespace tolvex
