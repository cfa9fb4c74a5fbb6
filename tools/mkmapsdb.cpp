// Creates a level table file and fills it from a level list file or from a
// Paradox level table of the old format, or leaves it empty for a new
// user to fill:
//   mkmapsdb LEVELLIST.txt maps.DB
//   mkmapsdb --empty maps.DB
// The table is built under a temporary name beside the target and linked into
// place at the end, so an existing file is never replaced and a failure leaves
// no half-filled table behind.

#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelSchema.h"
#include "catalogue/LevelTable.h"
#include "paradox/ParadoxConversion.h"
#include "paradox/ParadoxTable.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/SafeFile.h"
#include "platform/files/TextFile.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>
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

void createSchema(const QByteArray& path)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close_v2);
    if (rc != SQLITE_OK || sqlite3_exec(db.get(), LevelSchema::createStatement(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw TolvexError(QStringLiteral("Tabelle kann nicht angelegt werden: ") + QString::fromUtf8(sqlite3_errmsg(db.get())));
}

// What goes into the new table: a level list's text or a Paradox table's
// records, read before anything is created; nothing for an empty table.
struct Input {
    QString path;
    std::optional<QByteArray> listText;
    std::vector<QStringList> paradoxRecords;
};

Input readInput(const std::optional<QString>& path)
{
    Input input;
    if (!path)
        return input;
    input.path = *path;
    if (isParadoxTable(*path))
        input.paradoxRecords = readParadoxFile(*path);
    else
        input.listText = readText(*path);
    return input;
}

// The number of records the table holds afterwards. The table is opened as
// the program opens it, also when nothing goes in, so that what is linked
// into place is a table the program takes.
int fill(const QString& tablePath, const Input& input)
{
    LevelTable table;
    table.setFileName(tablePath);
    table.open();
    if (!input.paradoxRecords.empty())
        appendParadoxRecords(table, input.paradoxRecords, input.path);
    else if (input.listText)
        LevelListTransfer(table).importText(*input.listText);
    const int records = table.recordCount();
    table.close();
    return records;
}

// Without a list path the table stays empty.
int run(const std::optional<QString>& listPath, const QString& target)
{
    if (QFileInfo::exists(target))
        throw TolvexError(formatMessage(QStringLiteral("Datei %s ist schon vorhanden und wird nicht überschrieben"), {target}));
    const Input input = readInput(listPath);

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

    createSchema(temp.path());
    const int records = fill(QFile::decodeName(temp.path()), input);
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
    }
}
