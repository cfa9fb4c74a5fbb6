#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <cstdint>
#include <deque>
#include <list>
#include <optional>

namespace tolvex {

// Who a file is on disk right now: a file replaced, renamed over, rewritten
// or made unreadable gets another stamp, so a picture decoded before is not
// taken for it.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file at the path; none when it can't be looked at. The
// program's own resources (':' paths) never change and share one stamp.
[[nodiscard]] std::optional<FileStamp> fileStamp(const QString& path);

// JPEG pictures decoded for a size to cover (see loadJpeg), a handful kept,
// the least recently used given up first. Pictures asked for ahead are
// decoded one at a time on a worker thread and handed back to the thread
// that owns the cache; a picture is only ever found for the file exactly as
// it was while it was decoded. Failed decodes are not kept: whoever loads
// that file later decodes it again and gets the error.
class PictureCache final : public QObject {
    Q_OBJECT

public:
    struct Picture {
        QImage image;
        QSize fullSize;
        // Decoded for a region: the image already scaled to it, so that
        // showing it costs a copy and no scaling. Null when the region is
        // larger than the decode on either side.
        QImage drawn;
    };

    explicit PictureCache(int capacity, QObject* parent = nullptr);
    // Waits for the decode under way; those not started are dropped.
    ~PictureCache() override;
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // The kept picture of the file as it is now, or a decode on this thread,
    // kept when the file stayed the same meanwhile. Throws the decoder's error.
    [[nodiscard]] Picture load(const QString& path, QSize cover);
    // Decodes these files in the background, in this order, unless they are
    // kept already; replaces the wishes of an earlier call not yet started.
    // The work begins once control is back in the event loop.
    void prefetch(const QStringList& paths, QSize cover);
    // Forgets every picture and wish; a decode under way is not kept.
    void clear();

    // Decoding ahead, or about to.
    [[nodiscard]] bool isDecoding() const { return m_running || m_startPending; }
    [[nodiscard]] int size() const { return int(m_entries.size()); }

Q_SIGNALS:
    // The background decodes asked for are done, kept or failed.
    void prefetchDone();

private:
    struct Key {
        QString path;
        QSize cover;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct Entry {
        Key key;
        FileStamp stamp;
        Picture picture;
    };
    struct Decoded {
        Key key;
        std::optional<FileStamp> stamp; // none when the decode failed or the file changed under it
        Picture picture;
        int generation = 0; // a decode started before a clear is not kept
    };

    [[nodiscard]] static Picture decodePicture(const Key& key);
    [[nodiscard]] static Decoded decode(const Key& key);
    [[nodiscard]] std::list<Entry>::iterator find(const Key& key, const std::optional<FileStamp>& stamp);
    void keep(Decoded decoded);
    void startNext();
    void finished(Decoded decoded);

    const int m_capacity;
    std::list<Entry> m_entries; // the most recently used first
    std::deque<Key> m_wanted;
    std::optional<Key> m_running;
    bool m_startPending = false;
    int m_generation = 0;
    QThreadPool m_pool;
};

} // namespace tolvex
