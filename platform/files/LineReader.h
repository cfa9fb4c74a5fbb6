#pragma once

#include <QByteArrayView>
#include <QString>

#include <limits>

namespace tolvex {

// The lines of a Windows-1252 text, one at a time, so that a large file need
// not be held as lines all at once. A line ends at CR LF, a lone CR or a lone
// LF; the last line counts without an ending; nothing after the last ending
// is a further line; a NUL byte ends the text.
// A line longer than the reader's limit is never decoded or passed over:
// reaching it throws "Der Index der Liste überschreitet das Maximum (%d)"
// with the line's number, so that one endless line costs neither the time
// nor the memory of reading it.
class LineReader {
public:
    static constexpr qsizetype kUnlimited = std::numeric_limits<qsizetype>::max();

    explicit LineReader(QByteArrayView bytes, qsizetype maxLineLength = kUnlimited);

    [[nodiscard]] bool atEnd() const { return m_pos >= m_bytes.size(); }
    // The next line; at the end, an empty one.
    [[nodiscard]] QString next();
    // The same line as its Windows-1252 bytes, for callers that convert it themselves.
    [[nodiscard]] QByteArrayView nextBytes();
    // Passes over the next line without decoding it.
    void skip();
    // The number of lines from here to the end, or up to and with the first
    // line over the limit, where reading will stop; the reader does not move.
    [[nodiscard]] qsizetype countRemaining() const;

private:
    // False, and the reader stays, when the next line is over the limit.
    [[nodiscard]] bool take(QByteArrayView& line);
    [[nodiscard]] QByteArrayView takeOrThrow();

    QByteArrayView m_bytes;
    qsizetype m_maxLineLength;
    qsizetype m_pos = 0;
    qsizetype m_lineNumber = 0; // of the line taken last
};

} // namespace tolvex
