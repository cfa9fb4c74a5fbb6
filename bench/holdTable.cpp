// Opens a level table, stands on the first record and writes the peak of its
// own resident memory in bytes. The peak is read from VmHWM: getrusage's
// ru_maxrss would also carry the peak of the process that started this one,
// which Linux keeps across the exec.

#include "catalogue/LevelTable.h"
#include "platform/dialogs/TolvexError.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

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
    if (argc != 2)
        return 2;
    try {
        tolvex::LevelTable table;
        table.setFileName(QString::fromLocal8Bit(argv[1]));
        table.open();
        table.first();
        // Measured while the records are held.
        std::printf("%lld\n", peakResidentBytes());
    } catch (const tolvex::TolvexError&) {
        return 1;
    }
    return 0;
}
