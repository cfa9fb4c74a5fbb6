#include "platform/LineReader.h"

#include "platform/Cp1252.h"

namespace tolvex {

LineReader::LineReader(QByteArrayView bytes)
    : m_bytes(bytes)
{
    const qsizetype nul = m_bytes.indexOf('\0');
    if (nul >= 0)
        m_bytes = m_bytes.first(nul);
}

QByteArrayView LineReader::take()
{
    const qsizetype size = m_bytes.size();
    const qsizetype start = m_pos;
    qsizetype i = start;
    while (i < size && m_bytes[i] != '\r' && m_bytes[i] != '\n')
        ++i;
    const QByteArrayView line = m_bytes.sliced(start, i - start);
    if (i < size && m_bytes[i] == '\r' && i + 1 < size && m_bytes[i + 1] == '\n')
        ++i;
    m_pos = i < size ? i + 1 : size;
    return line;
}

QString LineReader::next()
{
    return cp1252::decode(take());
}

void LineReader::skip()
{
    (void)take();
}

qsizetype LineReader::countRemaining() const
{
    LineReader counter(*this);
    qsizetype lines = 0;
    for (; !counter.atEnd(); ++lines)
        counter.skip();
    return lines;
}

} // namespace tolvex
