#pragma once

#include "catalogue/PackedRecord.h"
#include "catalogue/PlayHistory.h"
#include "level/LevelFields.h"
#include "platform/files/FileIdentity.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tolvex {

class LevelRecords;

// What a bulk write says instead of its success when the file it wrote is no
// longer the one at the table's name, in the interface's language.
[[nodiscard]] QString catalogueReplacedMessage(const QString& fileName);

// The file behind a level table: opened for exclusive use, checked, read once,
// then written through record by record. Failures are thrown as TolvexError
// with a message naming the file.
class LevelStore {
public:
    // Called with the keys of an import's batch that never reached the disk,
    // so that the records leave memory too.
    using DropUnstored = std::function<void(const std::vector<QString>& keys)>;

    explicit LevelStore(DropUnstored dropUnstored);
    ~LevelStore();
    LevelStore(const LevelStore&) = delete;
    LevelStore& operator=(const LevelStore&) = delete;

    // Opens the file for exclusive use and reads its records into the given
    // container. On failure the file is left as it was found, nothing stays
    // open and the container is empty.
    void open(const QString& fileName, LevelRecords& records);
    // Keeps a pending import batch when the file takes it, else drops it.
    void close();

    // A single write: finishes an open batch first and is on disk when it returns.
    void insert(const PackedRecord& record);
    // Like insert, but between beginBulk and endBulk it joins the current batch.
    void append(const PackedRecord& record);
    // Replace or delete the stored record of the given key.
    void update(const QString& storedKey, const PackedRecord& record);
    // Deletes the record and its play history together, or neither.
    void remove(const QString& storedKey);

    // The play history read at open; empty while closed.
    [[nodiscard]] const PlayHistory& history() const { return m_history; }
    // Stores a start of the level; the reason when it was not stored.
    [[nodiscard]] std::optional<QString> recordPlay(const QString& datei, const QDateTime& utc);

    void beginBulk();
    // Commits the batch once the outermost bulk ends; nothing when not bulk.
    void endBulk();

    // Throws catalogueReplacedMessage unless the file at the table's name is
    // still the one opened (device and inode): a file moved over it, or one
    // removed, took the writes with it. A bulk write asks this before it
    // reports its records as stored.
    void requireInPlace() const;

    [[nodiscard]] QString keyViolationMessage(const QString& key) const;

private:
    struct Connection;

    void lockExclusively();
    void checkShape();
    void load(LevelRecords& records);
    void prepareWrites();
    void switchToWal();
    void commitOpenBatch();
    void commitTransaction();
    void dropBatch();
    void appendToBatch(const PackedRecord& record);
    [[nodiscard]] bool setJournalMode(const char* mode);

    [[nodiscard]] std::optional<QString> insertOne(const PackedRecord& record) const;
    int exec(const char* sql) const;
    [[nodiscard]] QString engineMessage() const;
    [[nodiscard]] QString openFailed(const QString& why) const;
    [[nodiscard]] QString writeErrorMessage(const QString& key) const;
    [[nodiscard]] QString notTakenMessage(const QString& key) const;
    void requireOneChanged(const QString& storedKey) const;

    DropUnstored m_dropUnstored;
    PlayHistory m_history;
    std::unique_ptr<Connection> m_c;
    QString m_fileName;
    std::optional<FileIdentity> m_identity;
    int m_bulkDepth = 0;
    bool m_inTransaction = false;
    // The bulk writes through a rollback journal and goes back to the log at its end.
    bool m_bulkJournal = false;
    int m_transactionCount = 0;
    std::vector<QString> m_transactionKeys;
};

} // namespace tolvex
