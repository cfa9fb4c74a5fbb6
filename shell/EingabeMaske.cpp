#include "shell/CatalogueOpen.h"
#include "shell/EingabeMaske.h"
#include "shell/MissingCatalogue.h"
#include "shell/WindowPlacement.h"

#include "about/info.h"
#include "about/splashunit.h"
#include "catalogue/LevelTable.h"
#include "catalogue/RandomLevel.h"
#include "catalogue/Screenshots.h"
#include "common/Product.h"
#include "common/toolbox.h"
#include "config/FilterSettings.h"
#include "config/Konfig.h"
#include "config/options.h"
#include "lang/WindowTexts.h"
#include "lang/translate.h"
#include "launch/GameStart.h"
#include "launch/LaunchCommand.h"
#include "maplist/maplister.h"
#include "overview/tabelle.h"
#include "platform/dataaware/DBCheckBox.h"
#include "platform/dataaware/DBEdit.h"
#include "platform/dataaware/DBMemo.h"
#include "platform/dataaware/DBNavigator.h"
#include "platform/dataaware/DBRadioGroup.h"
#include "platform/design/Anchors.h"
#include "platform/design/DesignLayout.h"
#include "platform/design/FileDrop.h"
#include "platform/design/Form.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/ErrorReport.h"
#include "platform/dialogs/TolvexError.h"
#include "platform/files/ProfileFile.h"
#include "platform/files/SafeFile.h"
#include "platform/pictures/PictureBox.h"
#include "platform/pictures/PictureCache.h"
#include "platform/processes/ProgramStart.h"
#include "resources/ButtonPictures.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QMenu>
#include <QLabel>
#include <QMouseEvent>
#include <QScopeGuard>

namespace tolvex {

TForm2* Form2 = nullptr;

namespace {

// The controls are laid out in the design client area; the window itself is
// given its design outer geometry and the anchors take up the difference.
constexpr QSize kClientSize(640, 453);
constexpr QRect kDesignOuter(247, 195, 648, 480);

// Two records each way are decoded ahead, so that a key held down on the
// navigator finds its pictures ready; room for them, the one shown and the
// one before a jump.
constexpr int kPrefetchReach = 2;
constexpr int kPicturesKept = 2 * kPrefetchReach + 2;

QFont smallFont()
{
    return designFont(QStringLiteral("Small Fonts"), 9);
}

DBEdit* edit(const QString& name, const QRect& geometry, QWidget* parent)
{
    return placed(new DBEdit(parent), name, geometry);
}

} // namespace

TForm2::TForm2(QWidget* parent)
    : QWidget(parent)
    , m_pictures(new PictureCache(kPicturesKept, this))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Tolvex - Kestrowan"));
    resize(kClientSize);

    const int w = kClientSize.width();
    const int h = kClientSize.height();
    Panel2 = designPanel(QStringLiteral("Panel2"), {0, 0, w, 93}, this);
    Panel3 = designPanel(QStringLiteral("Panel3"), {0, h - 34, w, 34}, this);
    Panel1 = designPanel(QStringLiteral("Panel1"), {0, 93, 241, h - 93 - 34}, this);
    Panel4 = designPanel(QStringLiteral("Panel4"), {w - 4, 93, 4, h - 93 - 34}, this);
    Image1 = placed(new PictureBox(this), QStringLiteral("Image1"), {241, 93, w - 241 - 4, h - 93 - 34});
    Image1->setStretch(true);
    Image1->setCache(m_pictures);

    setAnchors(Panel2, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right);
    setAnchors(Panel3, Anchors(Anchor::Left) | Anchor::Bottom | Anchor::Right);
    setAnchors(Panel1, Anchors(Anchor::Left) | Anchor::Top | Anchor::Bottom);
    setAnchors(Panel4, Anchors(Anchor::Top) | Anchor::Right | Anchor::Bottom);
    setAnchors(Image1, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right | Anchor::Bottom);

    setFont(windowFont());
    buildLevelPanels();
    buildFooter();
    buildBottomRow();
    buildBotMenu();
    applyTexts(this, mainWindowTexts(), TextLanguage::Design);
    // Archives dropped here are installed by the overview, which owns the table.
    new FileDrop(this, [](const QStringList& files) { Form1->installLevelArchives(files); });
    setFrame(this, Frame::Sizeable, false);
    setOuterGeometry(this, kDesignOuter);
}

void TForm2::buildLevelPanels()
{
    LevelInfo = designGroup(QStringLiteral("LevelInfo"), QStringLiteral("Level Information"), {8, 4, 357, 77}, Panel2);
    setAnchors(LevelInfo, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right);
    Xdateiname = designLabel(QStringLiteral("Xdateiname"), QString(), {4, 28}, LevelInfo);
    DBEdit1 = edit(QStringLiteral("DBEdit1"), {68, 24, 197, 21}, LevelInfo);
    setAnchors(DBEdit1, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right);
    XohneEndung = designLabel(QStringLiteral("XohneEndung"), QString(), {272, 28}, LevelInfo);
    setAnchors(XohneEndung, Anchors(Anchor::Top) | Anchor::Right);
    Xlevelname = designLabel(QStringLiteral("Xlevelname"), QString(), {4, 52}, LevelInfo);
    DBEdit2 = edit(QStringLiteral("DBEdit2"), {68, 48, 277, 21}, LevelInfo);
    setAnchors(DBEdit2, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right);

    XSpieler = designGroup(QStringLiteral("XSpieler"), QString(), {384, 4, 153, 77}, Panel2);
    setAnchors(XSpieler, Anchors(Anchor::Top) | Anchor::Right);
    Xmin = designLabel(QStringLiteral("Xmin"), QString(), {8, 24}, XSpieler);
    DBEdit3 = edit(QStringLiteral("DBEdit3"), {112, 20, 29, 21}, XSpieler);
    Xmax = designLabel(QStringLiteral("Xmax"), QString(), {8, 48}, XSpieler);
    DBEdit4 = edit(QStringLiteral("DBEdit4"), {112, 44, 29, 21}, XSpieler);

    XLevelTyp = new DBRadioGroup(QString(), Panel2);
    XLevelTyp->setItems({QStringLiteral("DM"), QStringLiteral("CTF")});
    XLevelTyp->setValues({QStringLiteral("DM"), QStringLiteral("CTF")});
    placed(XLevelTyp, QStringLiteral("XLevelTyp"), {552, 4, 85, 77});
    setAnchors(XLevelTyp, Anchors(Anchor::Top) | Anchor::Right);

    XBeschreibung = designGroup(QStringLiteral("XBeschreibung"), QString(), {8, 0, 225, 217}, Panel1);
    setAnchors(XBeschreibung, Anchors(Anchor::Left) | Anchor::Top | Anchor::Bottom);
    DBMemo1 = placed(new DBMemo(XBeschreibung), QStringLiteral("DBMemo1"), {8, 20, 209, 189});
    setAnchors(DBMemo1, Anchors(Anchor::Left) | Anchor::Top | Anchor::Bottom);

    XWaffen = designGroup(QStringLiteral("XWaffen"), QString(), {8, 224, 225, 101}, Panel1);
    setAnchors(XWaffen, Anchors(Anchor::Left) | Anchor::Bottom);
    struct Item {
        DBCheckBox** field;
        const char* name;
        const char* caption;
        QPoint at;
    };
    const Item items[] = {
        {&DBCheckBox1, "DBCheckBox1", "QuadDamage", {8, 16}},
        {&DBCheckBox2, "DBCheckBox2", "Invulnerability", {8, 32}},
        {&GrenadeLauncher, "GrenadeLauncher", "Grenade Launcher", {8, 48}},
        {&RocketLauncher, "RocketLauncher", "Rocket Launcher", {8, 64}},
        {&Hyperblaster, "Hyperblaster", "Hyperblaster", {124, 16}},
        {&Railgun, "Railgun", "Railgun", {124, 32}},
        {&BFG, "BFG", "BFG10k", {124, 48}},
    };
    for (const Item& item : items) {
        auto* box = new DBCheckBox(QString::fromLatin1(item.caption), XWaffen);
        box->setObjectName(QString::fromLatin1(item.name));
        box->move(item.at);
        box->adjustSize();
        *item.field = box;
    }
    Label8 = placed(new QLabel(QStringLiteral("Datensatz: 0/0"), XWaffen), QStringLiteral("Label8"), {162, 84, 59, 11});
    Label8->setFont(smallFont());
    Label8->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TForm2::buildBotMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    optimum1 = PopupMenu1->addAction(QStringLiteral("optimum"));
    optimum1->setObjectName(QStringLiteral("optimum1"));
    QFont bold = optimum1->font();
    bold.setBold(true);
    optimum1->setFont(bold);
    PopupMenu1->setDefaultAction(optimum1);
    connect(optimum1, &QAction::triggered, this, guarded(this, &TForm2::SpeedButton7Click));
    QAction* separator = PopupMenu1->addSeparator();
    separator->setObjectName(QStringLiteral("N1"));
    separator->setEnabled(false);

    const std::pair<QMenu**, const char*> submenus[] = {{&wenig1, "wenig1"}, {&mittel1, "mittel1"}, {&viel1, "viel1"}};
    for (const auto& [field, name] : submenus) {
        *field = PopupMenu1->addMenu(QString());
        (*field)->setObjectName(QLatin1String(name));
    }
    for (const BotMenuItem& item : kBotMenuItems) {
        QMenu* submenu = PopupMenu1->findChild<QMenu*>(QLatin1String(item.submenu));
        QAction* action = submenu->addAction(botMenuCaption(item.count));
        action->setObjectName(QLatin1String(item.name));
        action->setData(item.count);
        connect(action, &QAction::triggered, this, [this, action] { runGuarded([this, action] { Specialbot(action); }); });
    }
    SpeedButton7->installEventFilter(this);
}

void TForm2::buildFooter()
{
    DBNavigator1 = placed(new DBNavigator(Panel3), QStringLiteral("DBNavigator1"), {8, 4, 225, 25});
    DBNavigator1->setDeleteQuestion(QStringLiteral("Datensatz löschen?"), QStringLiteral("Bestätigung"));

    Label6 = placed(new QLabel(QStringLiteral("Der Level-Katalog für Quake 2"), Panel3), QStringLiteral("Label6"), {240, 8, 173, 11});
    Label6->setFont(smallFont());
    Label6->setAlignment(Qt::AlignCenter);
    setAnchors(Label6, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right);

    Label7 = new QLabel(u'(' + QString::fromLatin1(kWebAddress) + u')', Panel3);
    Label7->setObjectName(QStringLiteral("Label7"));
    QFont link = smallFont();
    link.setUnderline(true);
    Label7->setFont(link);
    QPalette blue = Label7->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label7->setPalette(blue);
    Label7->setCursor(Qt::PointingHandCursor);
    Label7->setAlignment(Qt::AlignCenter);
    // As wide as the address needs, centred where the design puts the link.
    const int linkWidth = qMax(90, Label7->sizeHint().width());
    Label7->setGeometry(284 + 45 - linkWidth / 2, 20, linkWidth, 11);
    Label7->installEventFilter(this);
    setAnchors(Label7, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right);
}

void TForm2::bindData(LevelTable* table, DataSource* source)
{
    m_table = table;
    DBEdit1->bind(source, QStringLiteral("Datei"));
    DBEdit2->bind(source, QStringLiteral("Level"));
    DBEdit3->bind(source, QStringLiteral("Min Player"));
    DBEdit4->bind(source, QStringLiteral("Max Player"));
    XLevelTyp->bind(source, QStringLiteral("Typ"));
    DBMemo1->bind(source, QStringLiteral("Beschreibung"));
    DBCheckBox1->bind(source, QStringLiteral("Quad"));
    DBCheckBox2->bind(source, QStringLiteral("Invul"));
    GrenadeLauncher->bind(source, QStringLiteral("GL"));
    RocketLauncher->bind(source, QStringLiteral("RL"));
    Hyperblaster->bind(source, QStringLiteral("HB"));
    Railgun->bind(source, QStringLiteral("RG"));
    BFG->bind(source, QStringLiteral("BFG"));
    DBNavigator1->bind(source);
    connect(DBEdit1, &DBEdit::textChanged, this, guarded(this, &TForm2::DBEdit1Change));
    connect(table, &Dataset::controlsEnabled, this, guarded(this, &TForm2::Table1ControlsEnabled));
    connect(table, &LevelTable::filterChanged, this, guarded(this, &TForm2::Table1FilterChange));
}

void TForm2::buildBottomRow()
{
    buildSpeedButtons(
        {
            {&SpeedButton9, "SpeedButton9", {420, 4, 25, 25}, buttonPicture(Picture::RandomLevel)},
            {&SpeedButton7, "SpeedButton7", {444, 4, 25, 25}, buttonPicture(Picture::StartWithBots)},
            {&SpeedButton5, "SpeedButton5", {468, 4, 25, 25}, buttonPicture(Picture::StartGame)},
            {&SpeedButton4, "SpeedButton4", {492, 4, 25, 25}, buttonPicture(Picture::MapList)},
            {&SpeedButton2, "SpeedButton2", {516, 4, 25, 25}, buttonPicture(Picture::Clipboard)},
            {&SpeedButton6, "SpeedButton6", {541, 4, 23, 25}, buttonPicture(Picture::Overview)},
            {&SpeedButton8, "SpeedButton8", {564, 4, 25, 25}, buttonPicture(Picture::Information)},
            {&SpeedButton3, "SpeedButton3", {588, 4, 25, 25}, buttonPicture(Picture::Configuration)},
            {&SpeedButton1, "SpeedButton1", {612, 4, 25, 25}, buttonPicture(Picture::CloseProgram)},
        },
        Panel3, Anchors(Anchor::Top) | Anchor::Right);
    for (SpeedButton* toggle : {SpeedButton6, SpeedButton4, SpeedButton8})
        toggle->setToggle(true);
    SpeedButton4->setEnabled(false);
    SpeedButton5->setEnabled(false);
    SpeedButton7->setEnabled(false);

    connect(SpeedButton9, &SpeedButton::clicked, this, guarded(this, &TForm2::SpeedButton9Click));
    connect(SpeedButton7, &SpeedButton::clicked, this, guarded(this, &TForm2::SpeedButton7Click));
    connect(SpeedButton5, &SpeedButton::clicked, this, guarded(this, &TForm2::SpeedButton5Click));
    connect(SpeedButton2, &SpeedButton::clicked, this, guarded(this, &TForm2::SpeedButton2Click));
    connect(SpeedButton6, &SpeedButton::clicked, this, guarded(this, &TForm2::BitBtn2Click));
    connect(SpeedButton4, &SpeedButton::clicked, this, guarded(this, &TForm2::SpeedButton4Click));
    connect(SpeedButton8, &SpeedButton::clicked, this, guarded(this, &TForm2::SpeedButton8Click));
    connect(SpeedButton3, &SpeedButton::clicked, this, guarded(this, &TForm2::SpeedButton3Click));
    connect(SpeedButton1, &SpeedButton::clicked, this, guarded(this, &TForm2::SpeedButton1Click));
}

void TForm2::connectSecondaryWindows()
{
    connect(Form1, &TForm1::shown, SpeedButton6, [this] { SpeedButton6->setDown(true); });
    connect(Form1, &TForm1::closed, SpeedButton6, [this] { SpeedButton6->setDown(false); });
    connect(Form1, &TForm1::screenshotsMade, this, guarded(this, &TForm2::DBEdit1Change));
    connect(mapform, &Tmapform::listShown, SpeedButton4, [this] { SpeedButton4->setDown(true); });
    connect(mapform, &Tmapform::closed, SpeedButton4, [this] { SpeedButton4->setDown(false); });
    connect(infoform, &Tinfoform::shown, SpeedButton8, [this] { SpeedButton8->setDown(true); });
    connect(infoform, &Tinfoform::closed, SpeedButton8, [this] { SpeedButton8->setDown(false); });
    connect(KonfigForm, &TKonfigForm::mapListFileChecked, SpeedButton4, &SpeedButton::setEnabled);
    connect(KonfigForm, &TKonfigForm::gameFileChecked, SpeedButton5, &SpeedButton::setEnabled);
    connect(KonfigForm, &TKonfigForm::gameAndMapListChecked, SpeedButton7, &SpeedButton::setEnabled);
    connect(KonfigForm, &TKonfigForm::closed, this, [this] { setEnabled(true); });
    mapform->setCurrentLevelSource([this] { return DBEdit1->text(); });
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    // The bot menu opens where the right button is released over the EraserBot
    // button; the button keeps the mouse from the press on, so a release
    // elsewhere comes here too and opens nothing.
    if (watched == SpeedButton7 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        const auto* release = static_cast<QMouseEvent*>(event);
        if (SpeedButton7->isEnabled() && SpeedButton7->rect().contains(release->position().toPoint()))
            PopupMenu1->popup(release->globalPosition().toPoint());
        return true;
    }
    if (watched == Label7 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        runGuarded([this] { Label7Click(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm2::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (std::exchange(m_shownOnce, true))
        return;
    runGuarded([this] { FormShow(); });
}

void TForm2::closeEvent(QCloseEvent* event)
{
    bool closing = false;
    runGuarded([&] { closing = FormClose(); });
    if (!closing) {
        event->ignore();
        return;
    }
    event->accept();
    QApplication::quit();
}

void TForm2::FormShow()
{
    splash->exec();
    offerEmptyCatalogue(m_table->fileName());
    openCatalogue(*m_table);
    if (!fileExists(KonfigPath()))
        KonfigForm->exec();

    const ProfileFile ini(KonfigPath());
    const konfig::LaunchButtons buttons = konfig::launchButtons(ini);
    if (buttons.mapList)
        SpeedButton4->setEnabled(true);
    if (buttons.game)
        SpeedButton5->setEnabled(true);
    if (buttons.bots)
        SpeedButton7->setEnabled(true);

    // The main window is being shown right now; the platform refuses to hide it from here.
    if (!ini.readBool(konfig::kHauptfenster, konfig::kVisible, true))
        throw TolvexError(QStringLiteral("Eigenschaft Visible kann in OnShow oder OnHide nicht verändert werden"));
    // Filtered before the overview may show, which puts the current name into its search.
    Form1->showFilter(konfig::readFilter(ini));
    restorePlacement(ini, konfig::kHauptfenster, this, true);
    restorePlacement(ini, konfig::kTabelle, Form1, false);
    restorePlacement(ini, konfig::kMaplist, mapform, false);
    m_placementRestored = true;

    if (konfig::readEnglish(ini))
        ApplyEnglish();
}

bool TForm2::FormClose()
{
    // A record still being edited is finished as any move would finish it,
    // so nothing typed is lost without a word; a refused record keeps the window open.
    m_table->checkBrowseMode();

    // A start-up that stopped before the placement was read has nothing of
    // its own to store, and must not overwrite the user's layout with the design's.
    if (!m_placementRestored)
        return true;
    ProfileFile ini(KonfigPath());
    storePlacement(ini, konfig::kHauptfenster, this);
    storePlacement(ini, konfig::kTabelle, Form1);
    storePlacement(ini, konfig::kMaplist, mapform);
    konfig::writeFilter(ini, Form1->filter());
    ini.flush();
    return true;
}

void TForm2::DBEdit1Change()
{
    Image1->load(screenshotPath(DBEdit1->text()));
    showRecordCounter();
    Image1->prefetch(neighbourScreenshots(*m_table, kPrefetchReach));
}

// An import or an add ends with the display resumed, but when the level shown
// stays the same the file name does not change, and the counter would keep
// the old total.
void TForm2::Table1ControlsEnabled()
{
    // Under a filter the position may change with the records around it.
    if (m_table->recordCount() != m_countShown || m_table->isFiltered())
        showRecordCounter();
}

void TForm2::Table1FilterChange()
{
    showRecordCounter();
}

void TForm2::showRecordCounter()
{
    const LevelTable* table = m_table;
    // The counter grows to the left: its right edge stays where it is.
    const int right = Label8->geometry().right();
    m_countShown = table->recordCount();
    QString text = MsgRecord + u' ' + QString::number(table->recNo()) + u'/' + QString::number(m_countShown);
    if (table->isFiltered())
        text += u' ' + MsgFiltered;
    Label8->setText(text);
    Label8->adjustSize();
    Label8->move(right - Label8->width() + 1, Label8->y());
}

void TForm2::SpeedButton2Click()
{
    QGuiApplication::clipboard()->setText(DBEdit1->text());
}

void TForm2::SpeedButton9Click()
{
    LevelTable* table = m_table;
    table->disableControls();
    // Resumed however the move ends: a refused pending edit must not leave the controls frozen.
    const auto resume = qScopeGuard([table] { table->enableControls(); });
    if (const int target = pickRandomLevel(table->recordCount(), table->recNo(), m_random))
        table->moveTo(target);
}

void TForm2::Label7Click()
{
    (void)openUrl(QString::fromLatin1(kWebAddress));
}

// A start the catalogue cannot record still goes ahead; why it was not recorded is said once.
void TForm2::recordStart(const QString& level)
{
    const std::optional<QString> why = m_table->recordPlay(level, m_clock());
    if (!why || std::exchange(m_unrecordedSaid, true))
        return;
    Dialogs::instance().showInfo(formatMessage(MsgStartNotRecorded, {m_table->fileName(), *why}));
}

void TForm2::SpeedButton5Click()
{
    startGame(DBEdit1->text(), m_table->text(Field::Typ));
    recordStart(DBEdit1->text());
}

void TForm2::SpeedButton7Click()
{
    const std::optional<qint64> bots = derivedBotCount(DBEdit3->text(), DBEdit4->text());
    if (!bots) {
        Dialogs::instance().showError(QString::fromUtf8(kIllogicalPlayersMessage), QString::fromUtf8(kIllogicalPlayersCaption));
        return;
    }
    startGameWithBots(DBEdit1->text(), *bots);
    recordStart(DBEdit1->text());
}

void TForm2::Specialbot(const QAction* item)
{
    startGameWithBots(DBEdit1->text(), item->data().toInt());
    recordStart(DBEdit1->text());
}

void TForm2::BitBtn2Click()
{
    toggleWindow(Form1);
}

void TForm2::SpeedButton4Click()
{
    toggleWindow(mapform);
}

void TForm2::SpeedButton8Click()
{
    toggleWindow(infoform);
}

void TForm2::SpeedButton3Click()
{
    KonfigForm->exec();
}

void TForm2::SpeedButton1Click()
{
    close();
}

} // namespace tolvex
