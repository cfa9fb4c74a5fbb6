#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tolvex {

// The memo file (".MB") of a Paradox table, read from its bytes. A memo field
// in a record holds the memo's first bytes and, in its last ten, where the
// whole memo lies in this file and how long it is.
class MemoFile {
public:
    // No bytes: the table has no memo file beside it. The name is the one
    // the errors give.
    MemoFile(std::optional<QByteArrayView> bytes, QString name);

    // The memo a record's field points at; empty for an empty memo. A pointer
    // outside the file, into a block of another kind or disagreeing with the
    // block about the length throws, naming the file.
    [[nodiscard]] QByteArray memo(QByteArrayView field) const;

private:
    [[nodiscard]] QByteArray singleBlob(qsizetype block, quint32 length) const;
    [[nodiscard]] QByteArray subBlob(qsizetype block, int index, quint32 length) const;
    [[noreturn]] void damaged(const QString& why) const;

    std::optional<QByteArrayView> m_bytes;
    QString m_name;
};

} // namespace tolvex
