#include "platform/pictures/PictureCache.h"

#include "platform/pictures/ImageScale.h"
#include "platform/pictures/JpegImage.h"

#include <QFile>

#include <algorithm>
#include <exception>
#include <utility>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

std::optional<FileStamp> fileStamp(const QString& path)
{
    if (path.startsWith(u':'))
        return QFile::exists(path) ? std::optional(FileStamp{}) : std::nullopt;
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (name.isEmpty() || ::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileStamp{std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::int64_t(info.st_size),
                     std::int64_t(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
                     std::int64_t(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}

namespace {

// Decoding ahead gives way to the user's own thread whenever both want a
// core: a move must not wait for a picture nobody asked for yet. Linux
// keeps the nice value per thread.
void lowerThisThreadsPriority()
{
    thread_local const bool lowered = ::setpriority(PRIO_PROCESS, id_t(::gettid()), 10) == 0;
    (void)lowered;
}

} // namespace

PictureCache::PictureCache(int capacity, QObject* parent)
    : QObject(parent)
    , m_capacity(std::max(1, capacity))
{
    // One decode at a time: the user's own moves need the other core.
    m_pool.setMaxThreadCount(1);
}

PictureCache::~PictureCache()
{
    m_wanted.clear();
    m_pool.clear();
    m_pool.waitForDone();
}

PictureCache::Picture PictureCache::decodePicture(const Key& key)
{
    Picture picture;
    picture.image = loadJpeg(key.path, key.cover, &picture.fullSize);
    // Scaled here the same way whether decoded ahead or on the move, so the
    // picture looks the same either way and painting it is a plain copy.
    // Larger than the decode, it is left to the paint to stretch.
    if (key.cover.isValid())
        picture.drawn = picture.image.size() == key.cover ? picture.image : shrinkByArea(picture.image, key.cover);
    return picture;
}

PictureCache::Decoded PictureCache::decode(const Key& key)
{
    Decoded decoded{key, fileStamp(key.path), {}, 0};
    if (!decoded.stamp)
        return decoded;
    try {
        decoded.picture = decodePicture(key);
    } catch (const std::exception&) {
        // Reported when the user moves to the record and the file is decoded again.
        decoded.stamp.reset();
        return decoded;
    }
    // A file replaced while it was read may have given a mix of both; the
    // picture is only right for a file that stayed the same throughout.
    if (fileStamp(key.path) != decoded.stamp)
        decoded.stamp.reset();
    return decoded;
}

std::list<PictureCache::Entry>::iterator PictureCache::find(const Key& key, const std::optional<FileStamp>& stamp)
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [&key](const Entry& e) { return e.key == key; });
    if (found == m_entries.end() || (stamp && found->stamp == *stamp))
        return found;
    // The file changed since: its picture is of no more use.
    m_entries.erase(found);
    return m_entries.end();
}

void PictureCache::keep(Decoded decoded)
{
    if (!decoded.stamp)
        return;
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.key == decoded.key; });
    if (found != m_entries.end())
        m_entries.erase(found);
    m_entries.push_front({std::move(decoded.key), *decoded.stamp, std::move(decoded.picture)});
    while (int(m_entries.size()) > m_capacity)
        m_entries.pop_back();
}

PictureCache::Picture PictureCache::load(const QString& path, QSize cover)
{
    Key key{path, cover};
    const std::optional<FileStamp> stamp = fileStamp(path);
    if (const auto found = find(key, stamp); found != m_entries.end()) {
        m_entries.splice(m_entries.begin(), m_entries, found);
        return found->picture;
    }
    Picture picture = decodePicture(key);
    if (stamp && fileStamp(path) == stamp)
        keep({std::move(key), stamp, picture, m_generation});
    return picture;
}

void PictureCache::prefetch(const QStringList& paths, QSize cover)
{
    m_wanted.clear();
    for (const QString& path : paths) {
        Key key{path, cover};
        if (m_running == key || std::find(m_wanted.begin(), m_wanted.end(), key) != m_wanted.end())
            continue;
        if (const auto found = find(key, fileStamp(path)); found != m_entries.end()) {
            // Wanted again: it goes to the front so the new wishes don't push it out.
            m_entries.splice(m_entries.begin(), m_entries, found);
            continue;
        }
        m_wanted.push_back(std::move(key));
    }
    // More wishes than room would only push out each other.
    while (int(m_wanted.size()) >= m_capacity)
        m_wanted.pop_back();
    // Started from the event loop: the picture just loaded is drawn first.
    if (!m_running && !std::exchange(m_startPending, true))
        QMetaObject::invokeMethod(this, &PictureCache::startNext, Qt::QueuedConnection);
}

void PictureCache::clear()
{
    m_wanted.clear();
    m_entries.clear();
    ++m_generation;
}

void PictureCache::startNext()
{
    m_startPending = false;
    if (m_running)
        return;
    if (m_wanted.empty()) {
        Q_EMIT prefetchDone();
        return;
    }
    m_running = m_wanted.front();
    m_wanted.pop_front();
    m_pool.start([this, key = *m_running, generation = m_generation] {
        lowerThisThreadsPriority();
        Decoded decoded = decode(key);
        decoded.generation = generation;
        // The cache lives on until this task is done (the destructor waits),
        // and the result is taken in on the cache's own thread.
        QMetaObject::invokeMethod(
            this, [this, decoded = std::move(decoded)]() mutable { finished(std::move(decoded)); }, Qt::QueuedConnection);
    });
}

void PictureCache::finished(Decoded decoded)
{
    m_running.reset();
    if (decoded.generation == m_generation)
        keep(std::move(decoded));
    startNext();
}

} // namespace tolvex
