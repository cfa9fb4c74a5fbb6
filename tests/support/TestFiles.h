#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace tolvex {

// A file's bytes, or "<missing>" when it cannot be read, so that a lost
// file never compares equal to an empty one.
inline QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace tolvex
