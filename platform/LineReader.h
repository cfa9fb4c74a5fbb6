#pragma once

#include <QByteArrayView>
#include <QString>

namespace tolvex {

// The lines of a Windows-1252 text, one at a time, so that a large file need
// not be held as lines all at once. A line ends at CR LF, a lone CR or a lone
// LF; the last line counts without an ending; nothing after the last ending
// is a further line; a NUL byte ends the text.
class LineReader {
public:
    explicit LineReader(QByteArrayView bytes);

    [[nodiscard]] bool atEnd() const { return m_pos >= m_bytes.size(); }
    // The next line; at the end, an empty one.
    [[nodiscard]] QString next();
    // Passes over the next line without decoding it.
    void skip();
    // The number of lines from here to the end; the reader does not move.
    [[nodiscard]] qsizetype countRemaining() const;

private:
    [[nodiscard]] QByteArrayView take();

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

} // namespace tolvex
