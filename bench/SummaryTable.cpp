#include "bench/SummaryTable.h"

#include "bench/BenchData.h"

#include <QLocale>

#include <optional>

namespace tolvex::bench {

namespace {

enum class Goal { None, RatioAtMost, TimeBelow, GrowthNear10, GrowthPlan };

// "Near" a growth factor: a tenfold catalogue may cost up to 15 times as
// much for the linear operations.
constexpr double kNear10 = 15.0;
// Drawing a plan works face by face: ten times the faces, at most twelve times the time.
constexpr double kNearPlan = 12.0;

double growthLimit(Goal goal)
{
    return goal == Goal::GrowthPlan ? kNearPlan : kNear10;
}

struct Operation {
    QString label;
    std::string ours;
    std::string peer;
    QString peerName;
    Goal goal;
    double limit = 0;
    QString goalText;
};

QString duration(double seconds)
{
    const QLocale c = QLocale::c();
    if (seconds >= 1)
        return c.toString(seconds, 'f', 2) + QStringLiteral(" s");
    if (seconds >= 1e-3)
        return c.toString(seconds * 1e3, 'f', seconds >= 0.1 ? 0 : 1) + QStringLiteral(" ms");
    if (seconds >= 1e-6)
        return c.toString(seconds * 1e6, 'f', seconds >= 1e-4 ? 0 : 1) + QStringLiteral(" µs");
    return c.toString(seconds * 1e9, 'f', 0) + QStringLiteral(" ns");
}

// The time of one iteration, unless the run failed.
std::optional<double> timeOf(const Measured& measured)
{
    return measured.error.empty() ? std::optional(measured.seconds) : std::nullopt;
}

// Record counts with thousands separators, easier to read at a glance.
QString count(int n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

QString bytes(double count)
{
    return QLocale::c().toString(count / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MiB");
}

QString factor(double value)
{
    return QLocale::c().toString(value, 'f', value >= 10 ? 1 : 2) + u'×';
}

QString row(const QStringList& cells)
{
    return QStringLiteral("| ") + cells.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
}

// A benchmark without a result was filtered out of this run.
QString notMeasured()
{
    return QStringLiteral("not run");
}

QString verdict(bool met)
{
    return met ? QStringLiteral("pass") : QStringLiteral("**MISS**");
}

} // namespace

SummaryTable::SummaryTable(const std::map<std::string, Measured>& results)
    : m_results(results)
{
    m_text = operations() + u'\n' + growth();
}

QString SummaryTable::text() const
{
    return m_text;
}

QString SummaryTable::operations()
{
    const QString n = count(kLargest);
    const std::string big = '/' + std::to_string(kLargest);
    const QString shell = QStringLiteral("sqlite3 shell");
    const std::vector<Operation> table = {
        {QStringLiteral("open %1 records, stand on the first").arg(n), "BM_OpenTable" + big, "BM_OpenPeer" + big,
         QStringLiteral("SQLite: SELECT * ORDER BY \"Datei\" into memory"), Goal::RatioAtMost, 1.0, QStringLiteral("≤ 1.0×")},
        {QStringLiteral("nearest key in %1").arg(n), "BM_FindNearest" + big, "BM_FindNearestPeer" + big,
         QStringLiteral("SQLite: indexed SELECT … >= key LIMIT 1"), Goal::RatioAtMost, 0.1, QStringLiteral("≤ 0.1×")},
        {QStringLiteral("export %1").arg(n), "BM_Export" + big, "BM_ExportPeer" + big, shell + QStringLiteral(", .mode list"),
         Goal::RatioAtMost, 1.0, QStringLiteral("≤ 1.0×")},
        {QStringLiteral("import %1 into an empty table").arg(n), "BM_ImportEmpty" + big, "BM_ImportEmptyPeer" + big,
         shell + QStringLiteral(", .import --csv"), Goal::RatioAtMost, 1.0, QStringLiteral("≤ 1.0×")},
        {QStringLiteral("import %1 in shuffled order into an empty table").arg(n), "BM_ImportShuffled" + big,
         "BM_ImportShuffledPeer" + big, shell + QStringLiteral(", .import --csv of the shuffled file"), Goal::RatioAtMost, 1.2,
         QStringLiteral("≤ 1.2×")},
        {QStringLiteral("import the same file again (all present)"), "BM_ImportAgain" + big, "BM_ImportAgainPeer" + big,
         shell + QStringLiteral(", .import + INSERT OR IGNORE"), Goal::None, 0, QStringLiteral("—")},
        {QStringLiteral("move to the next record onto a 1920×1080 screenshot, the neighbours prefetched"),
         "BM_RecordChangePrefetched", "BM_FullDecodePeer", QStringLiteral("libjpeg full-size decode"), Goal::RatioAtMost, 0.15,
         QStringLiteral("≤ 0.15×")},
        {QStringLiteral("move to a record not prefetched"), "BM_RecordChangeNotPrefetched", "BM_RecordChangeNotPrefetched#peer",
         QStringLiteral("libjpeg full-size decode, taking turns with the moves"), Goal::RatioAtMost, 1.0, QStringLiteral("≤ 1.0×")},
        {QStringLiteral("… of which the decode for a 395×326 region"), "BM_DecodeForRegion", "BM_FullDecodePeer",
         QStringLiteral("libjpeg full-size decode"), Goal::None, 0, QStringLiteral("—")},
        {QStringLiteral("… and shrinking the decode to a 403×353 region, by area"), "BM_ShrinkForRegion", "BM_SmoothScalePeer",
         QStringLiteral("QImage::scaled, smooth"), Goal::TimeBelow, 0.3e-3, QStringLiteral("< 0.3 ms")},
        {QStringLiteral("decode for the region of a 6700×6700 baseline picture near the decode budget"), "BM_DecodeNearBudget/0", {},
         {}, Goal::TimeBelow, 0.5, QStringLiteral("< 500 ms")},
        {QStringLiteral("… of a 3600×3600 progressive one near the budget"), "BM_DecodeNearBudget/1", {}, {}, Goal::TimeBelow, 0.5,
         QStringLiteral("< 500 ms")},
        {QStringLiteral("record change onto or off a description of 12.5 MB in one line"), "BM_LongDescriptionRecordChange", {},
         {}, Goal::TimeBelow, 0.1, QStringLiteral("< 100 ms")},
        {QStringLiteral("… each part of it coming in between events"), "BM_LongDescriptionLoadPart", {}, {}, Goal::TimeBelow, 0.1,
         QStringLiteral("< 100 ms")},
        {QStringLiteral("… a jump of the memo's scroll bar in it"), "BM_LongDescriptionScroll", {}, {}, Goal::TimeBelow, 0.1,
         QStringLiteral("< 100 ms")},
        {QStringLiteral("… a key typed into it while editing"), "BM_LongDescriptionKeystroke", {}, {}, Goal::TimeBelow, 0.1,
         QStringLiteral("< 100 ms")},
        {QStringLiteral("search per keystroke in the overview (%1)").arg(n), "BM_SearchKeystroke", {}, {}, Goal::TimeBelow, 2e-3,
         QStringLiteral("< 2 ms")},
        {QStringLiteral("print 10,000 records to PDF"), "BM_PrintSurvey/10000", {}, {}, Goal::None, 0, QStringLiteral("—")},
        {QStringLiteral("filter keystroke over %1 records (text in three fields, type, players)").arg(n), "BM_FilterKeystroke",
         "BM_FilterKeystroke#peer", QStringLiteral("the same selection as one SQLite query"), Goal::RatioAtMost, 1.0,
         QStringLiteral("≤ 1.0×")},
        {QStringLiteral("… the grid updated after it"), "BM_FilterGridUpdate", {}, {}, Goal::TimeBelow, 0.016,
         QStringLiteral("≤ 16 ms")},
        {QStringLiteral("scan a game folder of 2,000 loose maps and read their records"), "BM_GameFolderLoose", "BM_GameFolderLoosePeer",
         QStringLiteral("cat of the same files into /dev/null"), Goal::RatioAtMost, 3.0, QStringLiteral("≤ 3×")},
        {QStringLiteral("scan a package of 2,000 maps and read their records"), "BM_GameFolderPackage", "BM_GameFolderPackagePeer",
         QStringLiteral("cat of the package into /dev/null"), Goal::RatioAtMost, 3.0, QStringLiteral("≤ 3×")},
        {QStringLiteral("scan four data folders (2,000 loose maps in three, a package of 2,000) and read the records"),
         "BM_GameFolderDataFolders", "BM_GameFolderDataFoldersPeer", QStringLiteral("cat of the same files into /dev/null"),
         Goal::RatioAtMost, 3.0, QStringLiteral("≤ 3×")},
        {QStringLiteral("add the records of 2,000 maps, read by the scan, to an empty table"), "BM_GameFolderAppend",
         "BM_GameFolderAddPeer", QStringLiteral("import of the same 2,000 records from a level list"), Goal::RatioAtMost, 1.0,
         QStringLiteral("≤ 1.0×")},
        {QStringLiteral("… the whole add of 2,000 loose maps: the scan, the reading and the appends"), "BM_GameFolderAdd",
         "BM_GameFolderAddPeer", QStringLiteral("import of the same 2,000 records from a level list"), Goal::None, 0,
         QStringLiteral("—")},
        {QStringLiteral("install a level archive: a zip of 2,000 files, 100 MB"), "BM_InstallArchive", "BM_InstallArchivePeer",
         QStringLiteral("bsdtar -xf of the same zip into an empty folder"), Goal::RatioAtMost, 1.5, QStringLiteral("≤ 1.5×")},
        {QStringLiteral("… then the records and plans of its 20 levels"), "BM_InstallArchiveLevels", {}, {}, Goal::None, 0,
         QStringLiteral("—")},
        {QStringLiteral("draw and save the plans of 8 maps of 20,000 faces in one batch, per plan"), "BM_PlanDrawSave", "BM_PlanEncodePeer",
         QStringLiteral("libjpeg encoding the same 640×480 picture"), Goal::RatioAtMost, 2.0, QStringLiteral("≤ 2×")},
        {QStringLiteral("… of which the drawing"), "BM_PlanDraw", "BM_PlanEncodePeer",
         QStringLiteral("libjpeg encoding the same 640×480 picture"), Goal::None, 0, QStringLiteral("—")},
    };

    QString out = row({QStringLiteral("operation"), QStringLiteral("Tolvex"), QStringLiteral("peer"), QStringLiteral("peer's time"),
                       QStringLiteral("ratio"), QStringLiteral("goal"), QStringLiteral("result")});
    out += row({QStringLiteral("---"), QStringLiteral("---:"), QStringLiteral("---"), QStringLiteral("---:"), QStringLiteral("---:"),
                QStringLiteral("---"), QStringLiteral("---")});

    // "BM_X#peer": the time BM_X measured for its peer in the same rounds, in its counter "peer".
    std::map<std::string, Measured> paired;
    const auto lookup = [this, &paired](const std::string& key) -> const Measured* {
        const size_t hash = key.find('#');
        const auto found = m_results.find(key.substr(0, hash));
        if (found == m_results.end())
            return nullptr;
        if (hash == std::string::npos)
            return &found->second;
        Measured& peer = paired[key];
        peer = found->second;
        const auto counter = found->second.counters.find(key.substr(hash + 1));
        if (counter == found->second.counters.end())
            peer.error = "no counter " + key.substr(hash + 1);
        else
            peer.seconds = counter->second;
        return &peer;
    };
    const auto shown = [](const Measured* m) -> QString {
        if (!m)
            return notMeasured();
        if (!m->error.empty())
            return QStringLiteral("failed: ") + QString::fromStdString(m->error);
        return duration(m->seconds);
    };
    const auto valid = [](const Measured* m) { return m && m->error.empty(); };

    for (const Operation& op : table) {
        const Measured* ours = lookup(op.ours);
        const Measured* peer = op.peer.empty() ? nullptr : lookup(op.peer);
        QString label = op.label;
        if (valid(ours) && ours->counters.contains("pages"))
            label += QStringLiteral(", %1 pages").arg(ours->counters.at("pages"));
        if (valid(peer) && peer->counters.contains("jpeg_bytes"))
            label += QStringLiteral(", a %1 KiB file").arg(qRound(peer->counters.at("jpeg_bytes") / 1024));
        if (valid(ours) && ours->counters.contains("region_w"))
            label += QStringLiteral(", region %1×%2").arg(ours->counters.at("region_w")).arg(ours->counters.at("region_h"));
        if (valid(ours) && ours->counters.contains("maps"))
            label += QStringLiteral(", %1 per map").arg(duration(ours->seconds / ours->counters.at("maps")));
        if (valid(ours) && ours->counters.contains("decoded_w"))
            label += QStringLiteral(", decoded at %1×%2").arg(ours->counters.at("decoded_w")).arg(ours->counters.at("decoded_h"));
        QString ratio = QStringLiteral("—");
        if (valid(ours) && valid(peer) && peer->seconds > 0)
            ratio = factor(ours->seconds / peer->seconds);
        QString result = QStringLiteral("—");
        if (!ours || (!op.peer.empty() && !peer)) {
            // Not measured in this run: nothing to judge.
        } else if (op.goal == Goal::RatioAtMost) {
            const bool met = valid(ours) && valid(peer) && ours->seconds <= op.limit * peer->seconds;
            result = verdict(met);
            m_missed += met ? 0 : 1;
        } else if (op.goal == Goal::TimeBelow) {
            const bool met = valid(ours) && ours->seconds < op.limit;
            result = verdict(met);
            m_missed += met ? 0 : 1;
        }
        out += row({label, shown(ours), op.peer.empty() ? QStringLiteral("—") : op.peerName,
                    op.peer.empty() ? QStringLiteral("—") : shown(peer), ratio, op.goalText, result});
    }

    // Memory is measured in bytes, not time: the program's growth against the level list's size.
    const Measured* memory = lookup("BM_PeakMemory" + big);
    if (valid(memory) && memory->counters.contains("grown_bytes") && memory->counters.contains("list_bytes")) {
        const double grown = memory->counters.at("grown_bytes");
        const double list = memory->counters.at("list_bytes");
        const bool met = grown <= 2 * list;
        m_missed += met ? 0 : 1;
        out += row({QStringLiteral("peak memory holding %1 records (over an empty table)").arg(n), bytes(grown),
                    QStringLiteral("the exported level list's size"), bytes(list), factor(grown / list), QStringLiteral("≤ 2×"),
                    verdict(met)});
    } else {
        m_missed += memory ? 1 : 0;
        out += row({QStringLiteral("peak memory holding %1 records").arg(n), shown(memory), QStringLiteral("—"),
                    QStringLiteral("—"), QStringLiteral("—"), QStringLiteral("≤ 2×"), memory ? verdict(false) : QStringLiteral("—")});
    }
    out += filterMemory(lookup("BM_FilterMemory"));
    return out;
}

// The filter and a history of ten starts per level against the catalogue's own memory.
QString SummaryTable::filterMemory(const Measured* memory)
{
    const QString label = QStringLiteral("memory of the filter and a history of 10 starts per level (%1 records)").arg(count(kLargest));
    if (!memory)
        return {};
    if (!memory->error.empty() || !memory->counters.contains("filter_history_bytes") || !memory->counters.contains("catalogue_bytes")) {
        ++m_missed;
        return row({label, QStringLiteral("failed"), QStringLiteral("—"), QStringLiteral("—"), QStringLiteral("—"),
                    QStringLiteral("≤ 0.5×"), verdict(false)});
    }
    const double added = memory->counters.at("filter_history_bytes");
    const double catalogue = memory->counters.at("catalogue_bytes");
    const bool met = added <= 0.5 * catalogue;
    m_missed += met ? 0 : 1;
    return row({label, bytes(added), QStringLiteral("the catalogue's own memory"), bytes(catalogue), factor(added / catalogue),
                QStringLiteral("≤ 0.5×"), verdict(met)});
}

QString SummaryTable::growth()
{
    struct Grown {
        QString label;
        std::string name;
        Goal goal;
    };
    const std::vector<Grown> ops = {
        {QStringLiteral("open"), "BM_OpenTable", Goal::None},
        {QStringLiteral("open, SQLite peer"), "BM_OpenPeer", Goal::None},
        {QStringLiteral("nearest key"), "BM_FindNearest", Goal::None},
        {QStringLiteral("nearest key, SQLite peer"), "BM_FindNearestPeer", Goal::None},
        {QStringLiteral("export"), "BM_Export", Goal::GrowthNear10},
        {QStringLiteral("export, shell peer"), "BM_ExportPeer", Goal::None},
        {QStringLiteral("import into an empty table"), "BM_ImportEmpty", Goal::GrowthNear10},
        {QStringLiteral("import into an empty table, shell peer"), "BM_ImportEmptyPeer", Goal::None},
        {QStringLiteral("import in shuffled order"), "BM_ImportShuffled", Goal::GrowthNear10},
        {QStringLiteral("import in shuffled order, shell peer"), "BM_ImportShuffledPeer", Goal::None},
        {QStringLiteral("import again (all present)"), "BM_ImportAgain", Goal::GrowthNear10},
        {QStringLiteral("import again, shell peer"), "BM_ImportAgainPeer", Goal::None},
        {QStringLiteral("draw and save a plan, per plan of a batch of 8 (faces)"), "BM_PlanGrowth", Goal::GrowthPlan},
    };

    QStringList header = {QStringLiteral("operation")};
    QStringList align = {QStringLiteral("---")};
    for (int size : kSizes) {
        header << count(size);
        align << QStringLiteral("---:");
    }
    for (size_t i = 1; i < std::size(kSizes); ++i) {
        header << QStringLiteral("× %1→%2").arg(count(kSizes[i - 1]), count(kSizes[i]));
        align << QStringLiteral("---:");
    }
    header << QStringLiteral("goal") << QStringLiteral("result");
    align << QStringLiteral("---") << QStringLiteral("---");
    QString out = row(header) + row(align);

    for (const Grown& op : ops) {
        QStringList cells = {op.label};
        std::vector<std::optional<double>> times;
        for (int size : kSizes) {
            const std::string sizeName = std::to_string(size);
            const auto found = m_results.find(op.name + '/' + sizeName);
            const std::optional<double> seconds = found == m_results.end() ? std::nullopt : timeOf(found->second);
            cells << (seconds ? duration(*seconds) : found == m_results.end() ? notMeasured() : QStringLiteral("failed"));
            times.push_back(seconds);
        }
        bool met = true;
        bool measured = false;
        for (size_t i = 1; i < times.size(); ++i) {
            if (times[i] && times[i - 1] && *times[i - 1] > 0) {
                const double grown = *times[i] / *times[i - 1];
                cells << factor(grown);
                met = met && grown <= growthLimit(op.goal);
                measured = true;
            } else {
                cells << QStringLiteral("—");
                met = false;
            }
        }
        if (op.goal == Goal::None || !measured) {
            cells << QStringLiteral("—") << QStringLiteral("—");
        } else {
            cells << QStringLiteral("near 10× (≤ %1×)").arg(growthLimit(op.goal)) << verdict(met);
            m_missed += met ? 0 : 1;
        }
        out += row(cells);
    }
    return out;
}

} // namespace tolvex::bench
