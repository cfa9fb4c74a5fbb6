#include "catalogue/NewLevelFile.h"

#include "catalogue/LevelRecords.h"
#include "catalogue/LevelSchema.h"
#include "catalogue/PackedRecord.h"
#include "level/LevelFields.h"
#include "platform/dialogs/TolvexError.h"

#include <QFile>

#include <sqlite3.h>

#include <memory>

namespace tolvex {

namespace {

void createSchema(const QString& path)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close_v2);
    if (rc != SQLITE_OK || sqlite3_exec(db.get(), LevelSchema::createStatement(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw TolvexError(formatMessage(QStringLiteral("Datei %s kann nicht erstellt werden"), {path}));
}

} // namespace

// Nothing is kept in memory, so a batch that never reached the disk has nothing to drop there.
NewLevelFile::NewLevelFile(const QString& path)
    : m_store([](const std::vector<QString>&) {})
{
    createSchema(path);
    LevelRecords none;
    m_store.open(path, none);
    m_store.beginBulk();
}

NewLevelFile::~NewLevelFile()
{
    // Only reached early while an error is on its way out; that one is what the user needs to see.
    try {
        m_store.endBulk();
        m_store.close();
    } catch (...) {
    }
}

void NewLevelFile::append(const QStringList& texts)
{
    if (texts.size() != kFieldCount)
        throw TolvexError(formatMessage(QStringLiteral("Ein Datensatz hat %d Felder, nicht %d"),
                                        {QString::number(texts.size()), QString::number(kFieldCount)}));
    for (const int pos : {int(Field::Datei), int(Field::Level)}) {
        if (texts.at(pos).isEmpty())
            throw TolvexError(formatMessage(QStringLiteral("Feld '%s' muß einen Wert haben"), {QLatin1String(kLevelFields[size_t(pos)].name)}));
    }
    PackedRecord::Writer writer;
    for (int pos = 0; pos < kFieldCount; ++pos)
        writer.add(fieldFromText(pos, texts.at(pos)));
    m_store.append(writer.finish());
    ++m_count;
}

int NewLevelFile::finish()
{
    m_store.endBulk();
    m_store.requireInPlace();
    m_store.close();
    return m_count;
}

} // namespace tolvex
