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
#include "catalogue/NewCatalogue.h"
#include "paradox/ParadoxConversion.h"
#include "paradox/ParadoxTable.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/TextFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

using namespace tolvex;

namespace {

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

int run(const std::optional<QString>& listPath, const QString& target)
{
    if (QFileInfo::exists(target))
        throw TolvexError(formatMessage(QStringLiteral("Datei %s ist schon vorhanden und wird nicht überschrieben"), {target}));
    const Input input = readInput(listPath);
    int records = 0;
    createCatalogue(target, [&](LevelTable& table) {
        if (!input.paradoxRecords.empty())
            appendParadoxRecords(table, input.paradoxRecords, input.path);
        else if (input.listText)
            LevelListTransfer(table).importText(*input.listText);
        records = table.recordCount();
    });
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
