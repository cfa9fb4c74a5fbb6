// A second program for the level table tests:
//   tableProbe open FILE          opens the table, prints the outcome; exit 0 when it opened
//   tableProbe postAndDie FILE K  stores a record with the key K, then dies by SIGKILL
//   tableProbe bulkAndDie FILE N end|noend
//                                 appends N records as an import does, ends the
//                                 import or not, then dies by SIGKILL

#include "catalogue/LevelTable.h"
#include "platform/dialogs/TolvexError.h"

#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace tolvex;

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    LevelTable table;
    table.setFileName(QFile::decodeName(argv[2]));
    try {
        table.open();
        if (std::strcmp(argv[1], "postAndDie") == 0 && argc == 4) {
            table.insert();
            table.setText(Field::Datei, QString::fromUtf8(argv[3]));
            table.setText(Field::Level, QStringLiteral("Gespeichert vor dem Absturz"));
            table.post();
            std::raise(SIGKILL);
        }
        if (std::strcmp(argv[1], "bulkAndDie") == 0 && argc == 5) {
            table.beginBulk();
            const int count = std::atoi(argv[3]);
            for (int i = 0; i < count; ++i) {
                QStringList texts(kFieldCount);
                texts[Field::Datei] = QStringLiteral("m%1").arg(i, 5, 10, QChar(u'0'));
                texts[Field::Level] = QStringLiteral("Level %1").arg(i);
                table.appendRecord(texts);
            }
            if (std::strcmp(argv[4], "end") == 0)
                table.endBulk();
            std::raise(SIGKILL);
        }
        std::printf("opened\n");
        return 0;
    } catch (const TolvexError& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
}
