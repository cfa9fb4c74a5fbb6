// Opens a level table (with its play history), with "filtered" also sets a
// filter over its text, stands on the first record and writes the peak of its
// own resident memory in bytes. The peak is read from VmHWM: getrusage's
// ru_maxrss would also carry the peak of the process that started this one,
// which Linux keeps across the exec.

#include "catalogue/LevelMatcher.h"
#include "catalogue/LevelRecords.h"
#include "catalogue/LevelTable.h"
#include "platform/dialogs/TolvexError.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

long long peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong() * 1024;
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    const QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 3)
        return 2;
    try {
        tolvex::LevelTable table;
        table.setFileName(QString::fromLocal8Bit(argv[1]));
        table.open();
        if (argc == 3 && std::strcmp(argv[2], "filtered") == 0) {
            tolvex::LevelFilter filter;
            // Most records pass, so the filter holds nearly the whole table.
            filter.text = QStringLiteral("e");
            const auto matcher = std::make_shared<tolvex::LevelMatcher>(filter, nullptr, &table.history());
            table.setFilter([matcher](const tolvex::LevelRecords& records, int index) { return matcher->matches(records, index); });
        }
        table.first();
        // Measured while the records are held.
        std::printf("%lld\n", peakResidentBytes());
    } catch (const tolvex::TolvexError&) {
        return 1;
    }
    return 0;
}
