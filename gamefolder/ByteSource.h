#pragma once

#include "platform/files/FileDescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

namespace tolvex {

// Bytes of a map or package by position. Every read is checked against the
// real size first, so a size or offset a file claims never reads outside it
// and never allocates more than the file holds.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    [[nodiscard]] virtual qint64 size() const = 0;
    // Exactly length bytes from offset, or nothing when they are not all there.
    [[nodiscard]] virtual std::optional<QByteArray> read(qint64 offset, qint64 length) = 0;

protected:
    [[nodiscard]] bool inside(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= size() && length <= size() - offset;
    }
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(QByteArrayView bytes) : m_bytes(bytes) {}
    [[nodiscard]] qint64 size() const override { return m_bytes.size(); }
    [[nodiscard]] std::optional<QByteArray> read(qint64 offset, qint64 length) override;

private:
    QByteArrayView m_bytes;
};

// A stretch of another source, such as one file inside a package. Reads are
// checked against the stretch and again by the source beneath.
class SliceSource final : public ByteSource {
public:
    SliceSource(ByteSource& base, qint64 offset, qint64 size) : m_base(base), m_offset(offset), m_size(size) {}
    [[nodiscard]] qint64 size() const override { return m_size; }
    [[nodiscard]] std::optional<QByteArray> read(qint64 offset, qint64 length) override
    {
        return inside(offset, length) ? m_base.read(m_offset + offset, length) : std::nullopt;
    }

private:
    ByteSource& m_base;
    qint64 m_offset;
    qint64 m_size;
};

class FileSource final : public ByteSource {
public:
    // Nothing for a file that cannot be opened or is no regular file (a
    // directory, a pipe that would block, a link that loops).
    [[nodiscard]] static std::unique_ptr<FileSource> open(const QString& path);
    [[nodiscard]] qint64 size() const override { return m_size; }
    [[nodiscard]] std::optional<QByteArray> read(qint64 offset, qint64 length) override;
    // The same into bytes, whose room is kept from read to read; false, and
    // bytes empty, when they are not all there.
    [[nodiscard]] bool read(qint64 offset, qint64 length, QByteArray& bytes);
    // The descriptor, for a reader that takes it over (the zip library).
    [[nodiscard]] int release() { return m_fd.release(); }

private:
    FileSource(int fd, qint64 size) : m_fd(fd), m_size(size) {}
    FileDescriptor m_fd;
    qint64 m_size;
};

} // namespace tolvex
