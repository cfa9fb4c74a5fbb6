#include "catalogue/LevelMatcher.h"
#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelRecords.h"
#include "catalogue/LevelTable.h"
#include "catalogue/PlayHistory.h"
#include "tests/support/TestCatalogue.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <random>

using namespace tolvex;

namespace {

// The reference folding: Unicode's decomposition on the record's own texts,
// nothing shared with the matcher's byte table.
QString plainFold(const QString& text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toLower();
    }
    return out;
}

// Every condition of the filter written out against a record's texts.
bool plainMatch(const LevelFilter& f, const QStringList& r, const QSet<QString>& installed, const QSet<QString>& played)
{
    if (f.type == LevelFilter::Type::DM && r[Field::Typ].toUpper() != QLatin1String("DM"))
        return false;
    if (f.type == LevelFilter::Type::CTF && r[Field::Typ].toUpper() != QLatin1String("CTF"))
        return false;
    if (f.players && ((!r[Field::MinPlayer].isEmpty() && r[Field::MinPlayer].toInt() > *f.players)
                      || (!r[Field::MaxPlayer].isEmpty() && r[Field::MaxPlayer].toInt() < *f.players)))
        return false;
    for (int item = 0; item < kFilterItemCount; ++item) {
        if ((f.items & (1 << item)) && r[Field::Quad + item] != QLatin1String("Wahr"))
            return false;
    }
    const QString needle = plainFold(f.text);
    if (!needle.isEmpty() && !plainFold(r[Field::Datei]).contains(needle) && !plainFold(r[Field::Level]).contains(needle)
        && !plainFold(r[Field::Beschreibung]).contains(needle))
        return false;
    if (f.installedOnly && !installed.contains(r[Field::Datei].toLower()))
        return false;
    return !(f.neverPlayed && played.contains(r[Field::Datei].toLower()));
}

class RandomCatalogue {
public:
    explicit RandomCatalogue(unsigned seed)
        : m_random(seed)
    {
    }

    QString word(int maxLength)
    {
        static const QString letters = QStringLiteral("abcrailgÉéèÀàçÇÜüöß-_ ");
        QString text;
        const int length = pick(1, maxLength);
        for (int i = 0; i < length; ++i)
            text += letters[pick(0, int(letters.size()) - 1)];
        return text.trimmed().isEmpty() ? QStringLiteral("x") : text;
    }

    QStringList record(int number)
    {
        QStringList r(kFieldCount);
        r[Field::Datei] = QStringLiteral("m%1_").arg(number) + QStringList{"rail", "Ab", "x", "CTF"}[pick(0, 3)];
        r[Field::Level] = word(20);
        r[Field::Typ] = QStringList{"DM", "CTF", "dm", "TDM", ""}[pick(0, 4)];
        r[Field::MinPlayer] = pick(0, 3) == 0 ? QString() : QString::number(pick(1, 8));
        r[Field::MaxPlayer] = pick(0, 3) == 0 ? QString() : QString::number(pick(2, 16));
        r[Field::Beschreibung] = pick(0, 2) == 0 ? QString() : word(40);
        for (int item = 0; item < kFilterItemCount; ++item)
            r[Field::Quad + item] = QStringList{"Wahr", "Falsch", ""}[pick(0, 2)];
        return r;
    }

    LevelFilter filter()
    {
        LevelFilter f;
        if (pick(0, 1))
            f.text = word(3);
        f.type = static_cast<LevelFilter::Type>(pick(0, 2));
        if (pick(0, 1))
            f.players = pick(0, 12);
        if (pick(0, 2) == 0)
            f.items = std::uint8_t(1 << pick(0, kFilterItemCount - 1));
        f.installedOnly = pick(0, 3) == 0;
        f.neverPlayed = pick(0, 3) == 0;
        return f;
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

private:
    std::mt19937 m_random;
};

std::vector<QStringList> levels(const QStringList& names)
{
    std::vector<QStringList> records;
    for (const QString& name : names) {
        QStringList r(kFieldCount);
        r[Field::Datei] = name;
        r[Field::Level] = name.toUpper();
        r[Field::Typ] = name.startsWith(u'c') ? QStringLiteral("CTF") : QStringLiteral("DM");
        records.push_back(r);
    }
    return records;
}

void filterByText(LevelTable& table, const QString& text)
{
    LevelFilter f;
    f.text = text;
    const auto matcher = std::make_shared<LevelMatcher>(f, nullptr, nullptr);
    table.setFilter([matcher](const LevelRecords& records, int index) { return matcher->matches(records, index); });
}

QStringList shown(const LevelTable& table)
{
    QStringList names;
    for (int i = 0; i < table.recordCount(); ++i)
        names << table.textAt(i, Field::Datei);
    return names;
}

} // namespace

class LevelFilterTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    [[nodiscard]] QString file() const { return m_dir.filePath(QStringLiteral("maps.DB")); }

private Q_SLOTS:
    void filterAgreesWithThePlainReferenceOnRandomCatalogues()
    {
        for (unsigned seed = 1; seed <= 12; ++seed) {
            RandomCatalogue random(seed);
            std::vector<QStringList> records;
            for (int i = 0; i < 150; ++i)
                records.push_back(random.record(i));
            auto table = newCatalogue(file(), records);
            QSet<QString> installed;
            QSet<QString> played;
            for (const QStringList& r : records) {
                if (random.pick(0, 2) == 0)
                    installed << r[Field::Datei].toLower();
                if (random.pick(0, 2) == 0) {
                    QVERIFY(!table->recordPlay(r[Field::Datei], QDateTime::currentDateTimeUtc()));
                    played << r[Field::Datei].toLower();
                }
            }
            for (int round = 0; round < 20; ++round) {
                const LevelFilter f = random.filter();
                const auto matcher = std::make_shared<LevelMatcher>(
                    f, [&installed](QStringView d) { return installed.contains(d.toString().toLower()); }, &table->history());
                table->setFilter([matcher](const LevelRecords& r, int i) { return matcher->matches(r, i); });
                QStringList expected;
                for (const QStringList& r : records) {
                    if (plainMatch(f, r, installed, played))
                        expected << r[Field::Datei];
                }
                std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) { return compareKeys(a, b) < 0; });
                QCOMPARE(shown(*table), expected);
            }
        }
    }

    void cursorCounterAndSearchSeeOnlyMatchingRecords()
    {
        auto table = newCatalogue(file(), levels({"ctf1", "dm1", "ctf2", "dm2", "ctf3"}));
        table->last();
        filterByText(*table, QStringLiteral("ctf"));
        QVERIFY(table->isFiltered());
        QCOMPARE(table->recordCount(), 3);
        QCOMPARE(table->text(Field::Datei), QStringLiteral("ctf3")); // a matching current record stays
        QCOMPARE(table->recNo(), 3);
        table->first();
        table->next();
        QCOMPARE(table->text(Field::Datei), QStringLiteral("ctf2"));
        table->next();
        table->next();
        QVERIFY(table->eof());
        QCOMPARE(table->recNo(), 3);
        table->moveTo(2);
        QCOMPARE(table->text(Field::Datei), QStringLiteral("ctf2"));
        // The nearest matching record, not the nearest of the catalogue.
        table->findNearest(QStringLiteral("ctf25"));
        QCOMPARE(table->text(Field::Datei), QStringLiteral("ctf3"));
        table->findNearest(QStringLiteral("zzz"));
        QCOMPARE(table->text(Field::Datei), QStringLiteral("ctf3"));

        // A filter matching nothing leaves an empty table that still takes new records.
        filterByText(*table, QStringLiteral("nothing"));
        QCOMPARE(table->recordCount(), 0);
        QVERIFY(table->isEmpty());
        QCOMPARE(table->recNo(), 0);
        QCOMPARE(table->text(Field::Datei), QString());
        table->setFilter({});
        QCOMPARE(table->recordCount(), 5);
    }

    void anEditedRecordStaysUntilTheCursorLeavesIt()
    {
        auto table = newCatalogue(file(), levels({"ctf1", "ctf2", "dm1"}));
        filterByText(*table, QStringLiteral("ctf"));
        table->moveTo(2);
        table->edit();
        table->setText(Field::Level, QStringLiteral("renamed"));
        table->setText(Field::Datei, QStringLiteral("arena"));
        table->post();
        QCOMPARE(table->text(Field::Datei), QStringLiteral("arena"));
        QCOMPARE(shown(*table), (QStringList{"arena", "ctf1"}));
        QCOMPARE(table->recNo(), 1);
        table->next();
        QCOMPARE(shown(*table), (QStringList{"ctf1"}));
        QCOMPARE(table->text(Field::Datei), QStringLiteral("ctf1"));
        QCOMPARE(table->records().size(), 3);
    }

    void appendsAndDeletesWorkOnTheWholeCatalogue()
    {
        auto table = newCatalogue(file(), levels({"ctf1", "dm1"}));
        filterByText(*table, QStringLiteral("ctf"));
        // A record the filter hides is still a taken name.
        QVERIFY_THROWS_EXCEPTION(std::exception, table->appendRecord(levels({"dm1"})[0]));
        table->appendRecord(levels({"dm2"})[0]);
        QCOMPARE(shown(*table), QStringList{"ctf1"});
        QCOMPARE(table->text(Field::Datei), QStringLiteral("ctf1"));
        table->appendRecord(levels({"ctf0"})[0]);
        QCOMPARE(shown(*table), (QStringList{"ctf0", "ctf1"}));
        QCOMPARE(table->text(Field::Datei), QStringLiteral("ctf0"));
        table->remove();
        QCOMPARE(shown(*table), QStringList{"ctf1"});
        QCOMPARE(table->records().size(), 3);
        table->remove();
        QVERIFY(table->isEmpty());
        QVERIFY_THROWS_EXCEPTION(std::exception, table->remove());
        table->setFilter({});
        QCOMPARE(shown(*table), (QStringList{"dm1", "dm2"}));
    }

    void exportWritesTheMatchingRecordsAndImportAddsToAll()
    {
        auto table = newCatalogue(file(), levels({"ctf1", "dm1", "ctf2"}));
        filterByText(*table, QStringLiteral("ctf"));
        const QByteArray exported = LevelListTransfer(*table).exportText();
        QVERIFY(exported.contains("ctf1") && exported.contains("ctf2"));
        QVERIFY(!exported.contains("dm1"));
        table->setFilter({});
        const QByteArray whole = LevelListTransfer(*table).exportText();
        table->first();
        table->remove();
        table->remove(); // the catalogue holds dm1 alone now
        QCOMPARE(shown(*table), QStringList{"dm1"});
        filterByText(*table, QStringLiteral("ctf"));
        LevelListTransfer(*table).importText(whole);
        QCOMPARE(shown(*table), (QStringList{"ctf1", "ctf2"}));
        QCOMPARE(table->records().size(), 3);
    }
};

QTEST_GUILESS_MAIN(LevelFilterTest)
#include "levelFilterTest.moc"
