#include "platform/files/LineReader.h"

#include "platform/dialogs/TolvexError.h"
#include "platform/files/Cp1252.h"

#include <algorithm>

namespace tolvex {

LineReader::LineReader(QByteArrayView bytes, qsizetype maxLineLength)
    : m_bytes(bytes)
    , m_maxLineLength(maxLineLength)
{
    const qsizetype nul = m_bytes.indexOf('\0');
    if (nul >= 0)
        m_bytes = m_bytes.first(nul);
}

bool LineReader::take(QByteArrayView& line)
{
    const qsizetype size = m_bytes.size();
    const qsizetype start = m_pos;
    // The search goes one byte past the limit at most.
    const qsizetype searchEnd = size - start > m_maxLineLength ? start + m_maxLineLength + 1 : size;
    const char* begin = m_bytes.data();
    const char* found = std::find_if(begin + start, begin + searchEnd, [](char c) { return c == '\r' || c == '\n'; });
    qsizetype i = found - begin;
    if (i - start > m_maxLineLength)
        return false;
    line = m_bytes.sliced(start, i - start);
    if (i < size && m_bytes[i] == '\r' && i + 1 < size && m_bytes[i + 1] == '\n')
        ++i;
    m_pos = i < size ? i + 1 : size;
    ++m_lineNumber;
    return true;
}

QByteArrayView LineReader::takeOrThrow()
{
    QByteArrayView line;
    if (!take(line))
        throw TolvexError(listIndexMessage(m_lineNumber + 1));
    return line;
}

QString LineReader::next()
{
    return cp1252::decode(takeOrThrow());
}

QByteArrayView LineReader::nextBytes()
{
    return takeOrThrow();
}

void LineReader::skip()
{
    (void)takeOrThrow();
}

qsizetype LineReader::countRemaining() const
{
    LineReader counter(*this);
    qsizetype lines = 0;
    QByteArrayView line;
    while (!counter.atEnd()) {
        ++lines;
        if (!counter.take(line))
            break;
    }
    return lines;
}

} // namespace tolvex
