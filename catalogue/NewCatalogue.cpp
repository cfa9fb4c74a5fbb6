#include "catalogue/NewCatalogue.h"

#include "catalogue/LevelTable.h"
#include "catalogue/NewLevelFile.h"
#include "platform/files/TextFile.h"
#include "platform/dialogs/TolvexError.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvex {

namespace {

QString existsMessage(const QString& path)
{
    return formatMessage(QStringLiteral("Datei %s ist schon vorhanden und wird nicht überschrieben"), {path});
}

// The temporary table and whatever SQLite kept beside it, gone however the creation ends.
class TempTable {
public:
    explicit TempTable(QByteArray path) : m_path(std::move(path)) {}
    ~TempTable()
    {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            ::unlink(QByteArray(m_path + suffix).constData());
    }
    TempTable(const TempTable&) = delete;
    TempTable& operator=(const TempTable&) = delete;
    [[nodiscard]] const QByteArray& path() const { return m_path; }

private:
    QByteArray m_path;
};

} // namespace

void createCatalogue(const QString& path, const std::function<void(LevelTable&)>& fill)
{
    if (QFileInfo::exists(path))
        throw TolvexError(existsMessage(path));
    const QByteArray targetName = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    QByteArray pattern = targetName + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw TolvexError(cannotCreateMessage(path));
    // mkstemp creates for the owner only; the table gets what an ordinary create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    const TempTable temp(pattern);

    (void)NewLevelFile(QFile::decodeName(temp.path())).finish();
    LevelTable table;
    table.setFileName(QFile::decodeName(temp.path()));
    table.open();
    if (fill)
        fill(table);
    table.close();
    // link() refuses an existing target, unlike rename(): a file that came
    // meanwhile is kept.
    if (::link(temp.path().constData(), targetName.constData()) != 0)
        throw TolvexError(errno == EEXIST ? existsMessage(path) : cannotCreateMessage(path));
}

} // namespace tolvex
