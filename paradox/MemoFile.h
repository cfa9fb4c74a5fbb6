#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

namespace tolvex {

// The memo file (".MB") of a Paradox table. A memo field in a record holds
// the memo's first bytes and, in its last ten, where the whole memo lies in
// this file and how long it is. Each memo is read from the file when asked
// for, so that many records pointing at one large memo never hold it twice.
class MemoFile {
public:
    // No file: the table has none beside it. The name is the one the errors
    // give. The file stays the caller's and must outlive this.
    MemoFile(QIODevice* file, QString name);

    // The memo a record's field points at; empty for an empty memo. A pointer
    // outside the file, into a block of another kind or disagreeing with the
    // block about the length throws, naming the file.
    [[nodiscard]] QByteArray memo(QByteArrayView field);

private:
    void checkHeader();
    [[nodiscard]] QByteArray singleBlob(qint64 block, quint32 length);
    [[nodiscard]] QByteArray subBlob(qint64 block, int index, quint32 length);
    [[nodiscard]] QByteArray bytesAt(qint64 at, qint64 length);
    [[noreturn]] void damaged(const QString& why) const;

    QIODevice* m_file;
    QString m_name;
    qint64 m_size = 0;
    bool m_headerChecked = false;
};

} // namespace tolvex
