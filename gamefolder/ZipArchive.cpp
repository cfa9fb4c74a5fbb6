#include "gamefolder/ZipArchive.h"

#include <zip.h>

#include <algorithm>
#include <unistd.h>

namespace tolvex {

namespace {

struct FileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipFile = std::unique_ptr<zip_file_t, FileCloser>;

// An entry is unpacked from its start; a read behind the last one starts
// over, a read ahead of it unpacks and drops the bytes in between. The size
// is the one the archive claims, capped, and a read past the bytes really
// there fails.
class ZipEntrySource final : public ByteSource {
public:
    ZipEntrySource(zip_t* archive, zip_uint64_t index, qint64 size) : m_archive(archive), m_index(index), m_size(size) {}
    [[nodiscard]] qint64 size() const override { return m_size; }

    [[nodiscard]] std::optional<QByteArray> read(qint64 offset, qint64 length) override
    {
        if (!inside(offset, length))
            return std::nullopt;
        if (!m_file || offset < m_position) {
            m_file.reset(zip_fopen_index(m_archive, m_index, 0));
            m_position = 0;
            if (!m_file)
                return std::nullopt;
        }
        char skipped[16384];
        while (m_position < offset) {
            if (!readInto(skipped, std::min<qint64>(sizeof skipped, offset - m_position)))
                return std::nullopt;
        }
        QByteArray bytes(length, Qt::Uninitialized);
        if (!readInto(bytes.data(), length))
            return std::nullopt;
        return bytes;
    }

private:
    bool readInto(char* out, qint64 length)
    {
        qint64 done = 0;
        while (done < length) {
            const zip_int64_t n = zip_fread(m_file.get(), out + done, zip_uint64_t(length - done));
            if (n <= 0) {
                m_file.reset();
                return false;
            }
            done += n;
        }
        m_position += length;
        return true;
    }

    zip_t* m_archive;
    zip_uint64_t m_index;
    qint64 m_size;
    ZipFile m_file;
    qint64 m_position = 0;
};

} // namespace

ZipArchive::~ZipArchive()
{
    zip_discard(m_archive);
}

std::unique_ptr<ZipArchive> ZipArchive::open(const QByteArray& path)
{
    auto file = FileSource::open(path);
    if (!file)
        return nullptr;
    const int fd = file->release();
    int error = 0;
    zip_t* archive = zip_fdopen(fd, ZIP_RDONLY, &error);
    if (!archive) {
        // On failure the descriptor is still ours.
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<ZipArchive>(new ZipArchive(archive));
}

std::unique_ptr<ZipArchive> ZipArchive::fromBytes(QByteArrayView bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!archive && source)
        zip_source_free(source);
    zip_error_fini(&error);
    return archive ? std::unique_ptr<ZipArchive>(new ZipArchive(archive)) : nullptr;
}

qint64 ZipArchive::count() const
{
    return std::max<zip_int64_t>(0, zip_get_num_entries(m_archive, 0));
}

QByteArray ZipArchive::name(qint64 index) const
{
    const char* name = index >= 0 ? zip_get_name(m_archive, zip_uint64_t(index), ZIP_FL_ENC_RAW) : nullptr;
    return name ? QByteArray(name) : QByteArray();
}

std::unique_ptr<ByteSource> ZipArchive::entry(qint64 index, qint64 maxSize)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (index < 0 || zip_stat_index(m_archive, zip_uint64_t(index), 0, &st) != 0
        || (st.valid & (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE)) != (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE)
        || st.size > zip_uint64_t(std::max<qint64>(maxSize, 0)) || st.size / kMaxPackingRatio > st.comp_size)
        return nullptr;
    // Bytes past the claimed size are never read, however many the data would inflate to.
    return std::make_unique<ZipEntrySource>(m_archive, zip_uint64_t(index), qint64(st.size));
}

} // namespace tolvex
