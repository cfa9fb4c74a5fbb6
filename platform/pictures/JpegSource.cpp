#include "platform/pictures/JpegSource.h"

#include <cstring>

#include <jerror.h>

namespace tolvex {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Bytes of a file through a buffer of our own, so that the search for the
// next marker runs over memory instead of one library call per byte.
class ByteReader {
public:
    explicit ByteReader(std::FILE* file)
        : m_file(file)
        , m_buffer(kChunk)
    {
    }

    int next()
    {
        if (m_at == m_end && !refill())
            return EOF;
        return *m_at++;
    }

    // Reads up to and including the next 0xFF; false at the end of the file.
    bool passNextFF()
    {
        for (;;) {
            if (m_at == m_end && !refill())
                return false;
            const void* ff = std::memchr(m_at, 0xFF, std::size_t(m_end - m_at));
            if (ff) {
                m_at = static_cast<const unsigned char*>(ff) + 1;
                return true;
            }
            m_at = m_end;
        }
    }

    bool skip(long count)
    {
        const long buffered = long(m_end - m_at);
        if (count <= buffered) {
            m_at += count;
            return true;
        }
        m_at = m_end;
        return std::fseek(m_file, count - buffered, SEEK_CUR) == 0;
    }

private:
    bool refill()
    {
        const std::size_t n = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
        m_at = m_buffer.data();
        m_end = m_at + n;
        return n > 0;
    }

    std::FILE* m_file;
    std::vector<unsigned char> m_buffer;
    const unsigned char* m_at = nullptr;
    const unsigned char* m_end = nullptr;
};

JpegFileSource& fileSource(j_decompress_ptr cinfo)
{
    return *reinterpret_cast<JpegFileSource*>(cinfo->src);
}

void initSource(j_decompress_ptr cinfo)
{
    fileSource(cinfo).startOfFile = true;
}

boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    JpegFileSource& source = fileSource(cinfo);
    std::size_t n = std::fread(source.buffer.data(), 1, source.buffer.size(), source.file);
    if (n == 0) {
        if (source.startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source.buffer[0] = JOCTET(0xFF);
        source.buffer[1] = JOCTET(JPEG_EOI);
        n = 2;
    }
    source.pub.next_input_byte = source.buffer.data();
    source.pub.bytes_in_buffer = n;
    source.startOfFile = false;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr& pub = fileSource(cinfo).pub;
    if (count <= 0)
        return;
    while (count > long(pub.bytes_in_buffer)) {
        count -= long(pub.bytes_in_buffer);
        fillInputBuffer(cinfo);
    }
    pub.next_input_byte += count;
    pub.bytes_in_buffer -= std::size_t(count);
}

void termSource(j_decompress_ptr)
{
}

} // namespace

int countJpegScans(std::FILE* file, int limit)
{
    ByteReader reader(file);
    int scans = 0;
    while (scans <= limit && reader.passNextFF()) {
        int marker = reader.next();
        while (marker == 0xFF)
            marker = reader.next();
        if (marker == EOF || marker == 0xD9)
            break;
        // Stuffed bytes, restart markers, TEM and SOI carry no length.
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        const int high = reader.next();
        const int low = reader.next();
        if (high == EOF || low == EOF || (high << 8 | low) < 2)
            break;
        if (marker == 0xDA)
            ++scans;
        if (!reader.skip(long((high << 8 | low) - 2)))
            break;
    }
    std::rewind(file);
    return scans;
}

void useJpegFileSource(jpeg_decompress_struct& cinfo, JpegFileSource& source, std::FILE* file)
{
    source.file = file;
    source.buffer.resize(kChunk);
    source.pub.init_source = initSource;
    source.pub.fill_input_buffer = fillInputBuffer;
    source.pub.skip_input_data = skipInputData;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = termSource;
    source.pub.bytes_in_buffer = 0;
    source.pub.next_input_byte = nullptr;
    cinfo.src = &source.pub;
}

} // namespace tolvex
