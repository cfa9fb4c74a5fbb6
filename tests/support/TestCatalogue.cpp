#include "tests/support/TestCatalogue.h"

#include "catalogue/LevelSchema.h"

#include <QFile>
#include <QtGlobal>

#include <sqlite3.h>

namespace tolvex {

bool runSql(const QString& file, const char* sql)
{
    sqlite3* db = nullptr;
    const bool done = sqlite3_open(QFile::encodeName(file).constData(), &db) == SQLITE_OK
        && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return done;
}

std::unique_ptr<LevelTable> newCatalogue(const QString& file, const std::vector<QStringList>& records)
{
    QFile::remove(file);
    if (!runSql(file, LevelSchema::createStatement()))
        qFatal("cannot create the catalogue %s", qPrintable(file));
    auto table = std::make_unique<LevelTable>();
    table->setFileName(file);
    table->open();
    for (const QStringList& record : records)
        table->appendRecord(record);
    table->first();
    return table;
}

} // namespace tolvex
