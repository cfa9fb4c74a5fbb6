#include "overview/tabelle.h"

#include "catalogue/GameLevels.h"
#include "catalogue/LevelListTransfer.h"
#include "catalogue/LevelMatcher.h"
#include "catalogue/LevelTable.h"
#include "catalogue/PlayHistory.h"
#include "catalogue/SurveyPrint.h"
#include "common/toolbox.h"
#include "config/Konfig.h"
#include "gamefolder/GameFolder.h"
#include "install/InstallFolder.h"
#include "install/InstalledLevels.h"
#include "install/LevelArchives.h"
#include "lang/WindowTexts.h"
#include "lang/translate.h"
#include "overview/FilterPanel.h"
#include "plan/GameFolderAdd.h"
#include "platform/dataaware/DBGrid.h"
#include "platform/dataaware/DBGridModel.h"
#include "platform/dataaware/Dataset.h"
#include "platform/dataaware/DisplaySuspension.h"
#include "platform/design/Anchors.h"
#include "platform/design/DesignLayout.h"
#include "platform/design/FileDrop.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"
#include "platform/dialogs/ErrorReport.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/dialogs/WorkProgress.h"
#include "platform/printing/PrinterCanvas.h"
#include "resources/ButtonPictures.h"

#include <QCloseEvent>
#include <QLocale>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPrinter>

namespace tolvex {

TForm1* Form1 = nullptr;

namespace {
constexpr QSize kClientSize(384, 282);
constexpr QRect kDesignOuter(632, 431, 392, 309);
constexpr int kFilterHeight = 62;

// The add works in slices of this much on this thread, with the window's
// events handled in between for up to the pause: never long without a paint.
constexpr std::chrono::milliseconds kAddSlice(20);
constexpr std::chrono::milliseconds kAddPause(10);

QString addPhaseText(const GameFolderAdd& add)
{
    switch (add.phase()) {
    case GameFolderAdd::Phase::Scan:
        return formatMessage(MsgScanningGame, {QString::number(add.done())});
    case GameFolderAdd::Phase::Plans:
        return MsgDrawingPlans;
    case GameFolderAdd::Phase::Appends:
    case GameFolderAdd::Phase::Done:
        break;
    }
    return MsgAddingLevels;
}

// The add's summary box: what was stored, whether the add was cancelled, and
// why the plans stopped when they could not be saved.
QString addReport(const GameFolderAdd::Outcome& outcome)
{
    const GameLevelsAdded& levels = outcome.levels;
    QString text = formatMessage(MsgLevelsAdded(levels.added), {QString::number(levels.added), QString::number(levels.present),
                                                                QString::number(levels.skipped)})
        + u' ' + formatMessage(MsgPlansMade(outcome.plans.made), {QString::number(outcome.plans.made)});
    if (outcome.cancelled)
        text = MsgAddCancelled + u' ' + text;
    text += u'\n' + formatMessage(MsgSearched, {outcome.searched.join(QStringLiteral(", "))});
    if (!outcome.plans.failure.isEmpty())
        text += u'\n' + formatMessage(MsgPlansFailed, {outcome.plans.failure});
    return text;
}

FileDialogOptions levelListDialog(bool save)
{
    FileDialogOptions options;
    options.filters = {{QStringLiteral("Text-Dateien"), QStringLiteral("*.txt")},
                       {QStringLiteral("alle Dateien"), QStringLiteral("*")}};
    // Only a name typed for saving gets the extension; a file picked for
    // reading is taken as it is named.
    if (save)
        options.defaultSuffix = QStringLiteral("txt");
    options.confirmOverwrite = save;
    options.fileMustExist = !save;
    return options;
}
FileDialogOptions archiveDialog()
{
    FileDialogOptions options;
    options.filters = {{QStringLiteral("Level-Archive"), QStringLiteral("*.zip; *.7z; *.rar; *.pk3; *.pak; *.bsp")},
                       {QStringLiteral("alle Dateien"), QStringLiteral("*")}};
    options.fileMustExist = true;
    return options;
}
} // namespace

TForm1::TForm1(QWidget* parent)
    : Form(parent)
{
    setObjectName(QStringLiteral("Form1"));
    resize(kClientSize);
    setFont(windowFont());

    Table1 = new LevelTable(this);
    Table1->setObjectName(QStringLiteral("Table1"));
    Table1->setFileName(QStringLiteral("maps.DB"));
    DataSource1 = new DataSource(this);
    DataSource1->setObjectName(QStringLiteral("DataSource1"));
    DataSource1->setDataSet(Table1);

    Panel1 = designPanel(QStringLiteral("Panel1"), {0, 0, kClientSize.width(), 33}, this);
    setAnchors(Panel1, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right);

    Edit1 = placed(new QLineEdit(Panel1), QStringLiteral("Edit1"), {8, 8, 117, 21});
    Edit1->installEventFilter(this);

    buildSpeedButtons(
        {
            {&SpeedButton6, "SpeedButton6", {212, 4, 25, 25}, buttonPicture(Picture::InstallArchive)},
            {&SpeedButton5, "SpeedButton5", {240, 4, 25, 25}, buttonPicture(Picture::LevelsFromGame)},
            {&SpeedButton1, "SpeedButton1", {268, 4, 25, 25}, buttonPicture(Picture::Print)},
            {&SpeedButton3, "SpeedButton3", {296, 4, 25, 25}, buttonPicture(Picture::Export)},
            {&SpeedButton4, "SpeedButton4", {324, 4, 25, 25}, buttonPicture(Picture::Import)},
            {&SpeedButton2, "SpeedButton2", {352, 4, 25, 25}, buttonPicture(Picture::CloseWindow)},
        },
        Panel1, Anchors(Anchor::Top) | Anchor::Right);

    const QRect filterPlace(0, 33, kClientSize.width(), kFilterHeight);
    Panel2 = placed(new FilterPanel(this, filterPlace), QStringLiteral("Panel2"), filterPlace);
    setAnchors(Panel2, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right);

    DBGrid1 = new DBGrid(this);
    DBGrid1->bind(DataSource1);
    showHistoryColumns();
    constexpr int kGridTop = 33 + kFilterHeight;
    placed(DBGrid1, QStringLiteral("DBGrid1"), {0, kGridTop, kClientSize.width(), kClientSize.height() - kGridTop});
    setAnchors(DBGrid1, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right | Anchor::Bottom);
    applyTexts(this, overviewTexts(), TextLanguage::Design);

    PrintDialog1 = std::make_unique<QPrinter>(QPrinter::HighResolution);
    SaveDialog1 = levelListDialog(true);
    OpenDialog1 = levelListDialog(false);
    OpenDialog2 = archiveDialog();
    new FileDrop(this, [this](const QStringList& files) { installLevelArchives(files); });

    setFrame(this, Frame::SizeableTool, true);
    setPlacement(this, Placement::CentreOnScreen);
    // The controls are laid out in the design client area; the window's own
    // design geometry is its outer frame.
    setOuterGeometry(this, kDesignOuter);
    connectHandlers();
}

// One guarded handler per control event.
void TForm1::connectHandlers()
{
    connect(Edit1, &QLineEdit::textChanged, this, guarded(this, &TForm1::Edit1Change));
    connect(DBGrid1, &DBGrid::cellClicked, this, guarded(this, &TForm1::DBGrid1CellClick));
    connect(SpeedButton2, &SpeedButton::clicked, this, guarded(this, &TForm1::SpeedButton2Click));
    connect(SpeedButton1, &SpeedButton::clicked, this, guarded(this, &TForm1::SpeedButton1Click));
    connect(SpeedButton3, &SpeedButton::clicked, this, guarded(this, &TForm1::SpeedButton3Click));
    connect(SpeedButton4, &SpeedButton::clicked, this, guarded(this, &TForm1::SpeedButton4Click));
    connect(SpeedButton5, &SpeedButton::clicked, this, guarded(this, &TForm1::SpeedButton5Click));
    connect(SpeedButton6, &SpeedButton::clicked, this, guarded(this, &TForm1::SpeedButton6Click));
    connect(Panel2, &FilterPanel::changed, this, guarded(this, &TForm1::Panel2Change));
}

// The play history in the two last columns: the day of the last start in the
// user's own form, and how many starts.
void TForm1::showHistoryColumns()
{
    const auto entry = [this](int row) { return Table1->history().find(Table1->textAt(row, Field::Datei)); };
    DBGrid1->gridModel()->setCalculatedColumns({
        {QStringLiteral("Zuletzt gespielt"),
         [entry](int row) {
             const PlayHistory::Entry* played = entry(row);
             return played ? QLocale().toString(QDateTime::fromSecsSinceEpoch(played->lastPlayed, Qt::UTC).toLocalTime().date(),
                                                QLocale::ShortFormat)
                           : QString();
         }},
        {QStringLiteral("Gespielt"),
         [entry](int row) {
             const PlayHistory::Entry* played = entry(row);
             return played ? QString::number(played->count) : QString();
         },
         true},
    });
}

void TForm1::showFilter(const LevelFilter& filter)
{
    Panel2->setFilter(filter);
    // The installed levels are otherwise first gathered when this window shows.
    if (filter.installedOnly && !m_installed)
        markInstalledLevels(installedMaps());
    applyFilter();
}

LevelFilter TForm1::filter() const
{
    return Panel2->filter();
}

void TForm1::Panel2Change()
{
    applyFilter();
}

void TForm1::applyFilter()
{
    const LevelFilter filter = Panel2->filter();
    if (!filter.isSet()) {
        if (Table1->isFiltered())
            Table1->setFilter({});
        return;
    }
    const auto matcher = std::make_shared<LevelMatcher>(
        filter, [this](QStringView datei) { return m_installed && m_installed->contains(datei); }, &Table1->history());
    Table1->setFilter([matcher](const LevelRecords& records, int index) { return matcher->matches(records, index); });
}

TForm1::~TForm1() = default;

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        runGuarded([this] { Edit1Click(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::FormShow()
{
    markInstalledLevels(installedMaps());
    Edit1->setText(Table1->text(0));
    Edit1->setFocus();
}

void TForm1::Edit1Change()
{
    Table1->findNearest(Edit1->text());
}

void TForm1::Edit1Click()
{
    Edit1->selectAll();
}

void TForm1::DBGrid1CellClick()
{
    Edit1->setText(Table1->text(0));
}

void TForm1::SpeedButton2Click()
{
    close();
}

void TForm1::SpeedButton1Click()
{
    if (!Dialogs::instance().print(*PrintDialog1))
        return;
    const int total = Table1->recordCount();
    WorkProgress progress(this, QStringLiteral("Levelübersicht wird gedruckt"));
    PrinterCanvas canvas(*PrintDialog1);
    printSurvey(*Table1, canvas, [&progress, total](int done) { progress.step(done, total); });
}

void TForm1::SpeedButton3Click()
{
    const auto path = Dialogs::instance().saveFile(SaveDialog1);
    if (!path)
        return;
    {
        WorkProgress progress(this, QStringLiteral("Levelliste wird exportiert"));
        LevelListTransfer(*Table1, progress.reporter()).exportFile(*path);
    }
    ShowInfo(MsgExported);
}

void TForm1::SpeedButton4Click()
{
    const auto path = Dialogs::instance().openFile(OpenDialog1);
    if (!path)
        return;
    {
        WorkProgress progress(this, QStringLiteral("Leveldaten werden importiert"));
        LevelListTransfer(*Table1, progress.reporter()).importFile(*path);
    }
    ShowInfo(MsgImported);
}

void TForm1::SpeedButton5Click()
{
    GameFolderAdd::Outcome outcome;
    {
        WorkProgress progress(this, MsgAddingLevels);
        progress.keepThroughCounts();
        progress.allowCancel(MsgCancelWork);
        GameFolderAdd add(*Table1, gameDataFoldersToAdd(), ProgramDir() + QStringLiteral("screens"));
        // The record the add stands on is shown once its plan exists.
        DisplaySuspension suspension(*Table1);
        bool marked = false;
        while (add.step(kAddSlice)) {
            // Marked before the appends, so the marks are right even when a refused record stops them.
            if (!marked && add.maps()) {
                markInstalledLevels(*add.maps());
                marked = true;
            }
            progress.setLabel(addPhaseText(add));
            progress.step(add.done(), add.total());
            progress.runEvents(kAddPause);
            if (progress.cancelled())
                add.cancel();
        }
        suspension.resume();
        outcome = add.outcome();
    }
    // The record shown may be one that had none; the controls only reload
    // its picture when the record changes.
    if (outcome.plans.made > 0)
        Q_EMIT screenshotsMade();
    // Only success of the appends is said; a catalogue replaced meanwhile is reported instead.
    Table1->requireInPlace();
    if (outcome.plans.failure.isEmpty())
        ShowInfo(addReport(outcome));
    else
        reportError(addReport(outcome));
}

void TForm1::SpeedButton6Click()
{
    installLevelArchives(Dialogs::instance().openFiles(OpenDialog2));
}

void TForm1::installLevelArchives(const QStringList& archives)
{
    if (archives.isEmpty())
        return;
    const QString folder = levelInstallFolder();
    ArchivesInstalled installed;
    GameLevelsAdded added;
    PlansMade plans;
    {
        WorkProgress progress(this, QStringLiteral("Level-Archive werden installiert"));
        progress.allowCancel();
        const InstallControl control{[&progress](qint64 done, qint64 total) { progress.step(int(done >> 10), int(total >> 10)); },
                                     progress.canceller()};
        installed = installArchives(folder, archives, control, [&progress](const QString&, const QStringList& differing) {
            return progress.askAside([&differing] {
                return Dialogs::instance().askYesNo(formatMessage(MsgReplaceFiles, {listOfFiles(differing)}),
                                                    QString::fromLatin1(kApplicationTitle));
            });
        });
        const GameMaps maps = installedLevelMaps(folder, installed.installs);
        DisplaySuspension suspension(*Table1);
        added = addInstalledLevels(*Table1, maps, installed.installs, progress.reporter());
        plans = savePlanPictures(*Table1, maps, ProgramDir() + QStringLiteral("screens"));
        suspension.resume();
    }
    if (plans.made > 0)
        Q_EMIT screenshotsMade();
    markInstalledLevels(installedMaps());
    QStringList lines{formatMessage(MsgFilesInstalled(installed.files()), {QString::number(installed.files()), folder})
                      + formatMessage(MsgArchiveLevels(added.added), {QString::number(added.added)})
                      + formatMessage(MsgArchivePlans(plans.made), {QString::number(plans.made)})};
    for (const QString& archive : std::as_const(installed.untouched))
        lines.append(formatMessage(MsgArchiveLeftOut, {archive}));
    ShowInfo((lines + installed.failures).join(u'\n'));
}

void TForm1::markInstalledLevels(std::optional<GameMaps> maps)
{
    m_installed = maps ? std::make_unique<GameMaps>(std::move(*maps)) : nullptr;
    // What counts as installed changed under a filter that asks.
    if (Panel2->filter().installedOnly && Table1->isOpen())
        Table1->refilter();
    // Without a single map found nothing is known, so nothing is dimmed.
    if (!m_installed || m_installed->maps.empty()) {
        DBGrid1->setDimmedRows({});
        return;
    }
    DBGrid1->setDimmedRows([this](int row) { return !m_installed->contains(Table1->textAt(row, Field::Datei)); });
}

} // namespace tolvex
