// Imports records into a level table the way the import does, in bulks:
//   bulkImportChild maps.DB RUN COUNT BULK
// After each bulk has ended, and only then, it names the bulk's records on
// stdout as "stored NAME": the table promises them durable from that point.

#include "catalogue/LevelTable.h"
#include "platform/dialogs/TolvexError.h"
#include "tests/robustness/ImportRecords.h"

#include <QFile>

#include <cstdio>

using namespace tolvex;

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: bulkImportChild maps.DB RUN COUNT BULK\n");
        return 2;
    }
    const int run = std::atoi(argv[2]);
    const int count = std::atoi(argv[3]);
    const int bulk = std::atoi(argv[4]);
    try {
        LevelTable table;
        table.setFileName(QFile::decodeName(argv[1]));
        table.open();
        std::printf("open\n");
        std::fflush(stdout);
        for (int start = 0; start < count; start += bulk) {
            const int end = std::min(count, start + bulk);
            table.beginBulk();
            for (int n = start; n < end; ++n)
                table.appendRecord(test::importTexts(run, n));
            table.endBulk();
            for (int n = start; n < end; ++n)
                std::printf("stored %s\n", qPrintable(test::importName(run, n)));
            std::fflush(stdout);
        }
        table.close();
        std::printf("done\n");
        return 0;
    } catch (const TolvexError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
