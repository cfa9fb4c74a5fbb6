#include "tests/robustness/ImportRecords.h"

#include "level/LevelFields.h"

namespace tolvex::test {

QString importName(int run, int n)
{
    return QStringLiteral("r%1-%2").arg(run, 2, 10, QChar(u'0')).arg(n, 6, 10, QChar(u'0'));
}

QStringList importTexts(int run, int n)
{
    QStringList texts(kFieldCount);
    texts[Field::Datei] = importName(run, n);
    texts[Field::Level] = QStringLiteral("Arena %1 of run %2").arg(n).arg(run);
    texts[Field::Typ] = n % 2 ? QStringLiteral("CTF") : QStringLiteral("DM");
    texts[Field::MinPlayer] = QString::number(n % 8);
    texts[Field::MaxPlayer] = QString::number(8 + n % 24);
    texts[Field::Beschreibung] = QStringLiteral("Line one of %1\r\nline two, %2 bytes").arg(n).arg(n * 7);
    for (int flag = Field::Quad; flag <= Field::BFG; ++flag)
        texts[flag] = (n >> (flag - Field::Quad)) & 1 ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    return texts;
}

} // namespace tolvex::test
