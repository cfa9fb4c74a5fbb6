#include "maplist/maplister.h"

#include "config/Konfig.h"
#include "lang/WindowTexts.h"
#include "maplist/MapListFile.h"
#include "platform/design/DesignLayout.h"
#include "platform/design/SpeedButton.h"
#include "platform/design/WindowFrame.h"
#include "platform/dialogs/ErrorReport.h"
#include "platform/files/ProfileFile.h"
#include "resources/ButtonPictures.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QStyledItemDelegate>

namespace tolvex {

Tmapform* mapform = nullptr;

namespace {

// Every entry one design line high, whatever the font's own line height.
class FixedHeightItems final : public QStyledItemDelegate {
public:
    FixedHeightItems(int height, QObject* parent)
        : QStyledItemDelegate(parent)
        , m_height(height)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

constexpr QSize kClientSize(178, 183);
constexpr QRect kDesignOuter(686, 238, 186, 210);

QString mapListPath()
{
    const ProfileFile ini(KonfigPath());
    return konfig::read(ini, konfig::kMapList);
}

} // namespace

Tmapform::Tmapform(QWidget* parent)
    : Form(parent)
{
    setObjectName(QStringLiteral("mapform"));
    setWindowTitle(QStringLiteral("EraserBot Maplist"));
    resize(kClientSize);
    setFont(windowFont());

    ListBox1 = placed(new QListWidget(this), QStringLiteral("ListBox1"), {0, 0, kClientSize.width() - 35, kClientSize.height()});
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setSortingEnabled(false);
    ListBox1->setItemDelegate(new FixedHeightItems(13, ListBox1));
    ListBox1->setUniformItemSizes(true);
    setAnchors(ListBox1, Anchors(Anchor::Left) | Anchor::Top | Anchor::Right | Anchor::Bottom);

    Panel1 = designPanel(QStringLiteral("Panel1"), {kClientSize.width() - 35, 0, 35, kClientSize.height()}, this);
    setAnchors(Panel1, Anchors(Anchor::Top) | Anchor::Right | Anchor::Bottom);

    buildSpeedButtons(
        {
            {&SpeedButton1, "SpeedButton1", {8, 4, 23, 22}, buttonPicture(Picture::AddLevel)},
            {&SpeedButton2, "SpeedButton2", {8, 32, 23, 22}, buttonPicture(Picture::RemoveLevel)},
            {&SpeedButton3, "SpeedButton3", {8, 60, 23, 22}, buttonPicture(Picture::SaveAndClose)},
            {&SpeedButton4, "SpeedButton4", {8, 88, 23, 22}, buttonPicture(Picture::CloseWithoutSaving)},
        },
        Panel1);
    applyTexts(this, mapListTexts(), TextLanguage::Design);

    setFrame(this, Frame::SizeableTool, true);
    setPlacement(this, Placement::CentreOnDesktop);
    // The controls are laid out in the design client area; the window's own
    // design geometry is its outer frame.
    setOuterGeometry(this, kDesignOuter);

    connect(SpeedButton1, &SpeedButton::clicked, this, guarded(this, &Tmapform::SpeedButton1Click));
    connect(SpeedButton2, &SpeedButton::clicked, this, guarded(this, &Tmapform::SpeedButton2Click));
    connect(SpeedButton3, &SpeedButton::clicked, this, guarded(this, &Tmapform::SpeedButton3Click));
    connect(SpeedButton4, &SpeedButton::clicked, this, guarded(this, &Tmapform::SpeedButton4Click));
}

void Tmapform::FormShow()
{
    const QStringList entries = readMapList(mapListPath());
    ListBox1->clear();
    ListBox1->addItems(entries);
    Q_EMIT listShown();
}

void Tmapform::SpeedButton1Click()
{
    ListBox1->addItem(m_currentLevel ? m_currentLevel() : QString());
}

void Tmapform::SpeedButton2Click()
{
    const int row = ListBox1->currentRow();
    if (row >= 0 && ListBox1->item(row)->isSelected()) {
        delete ListBox1->takeItem(row);
        // The list hands the selection on to the next entry; a second click
        // must not remove an entry nobody chose.
        ListBox1->clearSelection();
    }
}

void Tmapform::SpeedButton3Click()
{
    QStringList entries;
    entries.reserve(ListBox1->count());
    for (int i = 0; i < ListBox1->count(); ++i)
        entries << ListBox1->item(i)->text();
    writeMapList(mapListPath(), entries);
    close();
}

void Tmapform::SpeedButton4Click()
{
    close();
}

} // namespace tolvex
