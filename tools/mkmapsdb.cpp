// Creates a level table file and fills it from a level list file or from a
// Paradox level table of the old format, or leaves it empty for a new
// user to fill:
//   mkmapsdb LEVELLIST.txt maps.DB
//   mkmapsdb --empty maps.DB
// The table is built under a temporary name beside the target and linked into
// place at the end, so an existing file is never replaced and a failure leaves
// no half-filled table behind.

#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelTable.h"
#include "catalogue/NewLevelFile.h"
#include "paradox/ParadoxConversion.h"
#include "paradox/ParadoxTable.h"
#include "platform/dialogs/SystemTexts.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/SafeFile.h"
#include "platform/files/TextFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvex;

namespace {

class TempFile {
public:
    explicit TempFile(QByteArray path) : m_path(std::move(path)) {}
    ~TempFile()
    {
        ::unlink(m_path.constData());
        ::unlink(QByteArray(m_path + "-wal").constData());
        ::unlink(QByteArray(m_path + "-journal").constData());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    [[nodiscard]] const QByteArray& path() const { return m_path; }

private:
    QByteArray m_path;
};

// The number of records the table holds afterwards. A Paradox table is
// converted one record at a time, whatever its size; a level list goes
// through the table's import, opened as the program opens it. Also an empty
// table is opened so, so that what is linked into place is one the program
// takes.
int fill(const QString& tablePath, const std::optional<QString>& input)
{
    if (input && isParadoxTable(*input))
        return copyParadoxRecords(*input, tablePath);
    const std::optional<QByteArray> listText = input ? std::optional<QByteArray>(readText(*input)) : std::nullopt;
    (void)NewLevelFile(tablePath).finish();
    LevelTable table;
    table.setFileName(tablePath);
    table.open();
    if (listText)
        LevelListTransfer(table).importText(*listText);
    const int records = table.recordCount();
    table.close();
    return records;
}

// Without a list path the table stays empty.
int run(const std::optional<QString>& listPath, const QString& target)
{
    if (QFileInfo::exists(target))
        throw TolvexError(formatMessage(QStringLiteral("Datei %s ist schon vorhanden und wird nicht überschrieben"), {target}));

    const QByteArray targetName = QFile::encodeName(QFileInfo(target).absoluteFilePath());
    QByteArray pattern = targetName + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw TolvexError(cannotCreateMessage(target));
    // mkstemp creates for the owner only; the table gets what an ordinary create would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    const TempFile temp(pattern);

    const int records = fill(QFile::decodeName(temp.path()), listPath);
    // link() refuses an existing target, unlike rename().
    if (::link(temp.path().constData(), targetName.constData()) != 0) {
        if (errno == EEXIST)
            throw TolvexError(formatMessage(QStringLiteral("Datei %s ist schon vorhanden und wird nicht überschrieben"), {target}));
        throw TolvexError(cannotCreateMessage(target));
    }
    return records;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkmapsdb LEVELLIST.txt|PARADOX.DB maps.DB\n       mkmapsdb --empty maps.DB\n");
        return 2;
    }
    std::optional<QString> listPath;
    if (std::strcmp(argv[1], "--empty") != 0)
        listPath = QFile::decodeName(argv[1]);
    try {
        const int records = run(listPath, QFile::decodeName(argv[2]));
        std::printf("%s: %d records\n", argv[2], records);
        return 0;
    } catch (const TolvexError& e) {
        std::fprintf(stderr, "mkmapsdb: %s\n", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "mkmapsdb: %s\n", qPrintable(outOfMemoryText()));
        return 1;
    }
}
