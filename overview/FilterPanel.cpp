#include "overview/FilterPanel.h"

#include "level/LevelFields.h"
#include "platform/design/Anchors.h"
#include "platform/design/DesignLayout.h"
#include "platform/dialogs/ErrorReport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

namespace tolvex {

namespace {

// Item boxes in the order of the item fields, sized to their names.
constexpr std::array<int, kFilterItemCount> kItemWidths{52, 48, 42, 42, 42, 42, 48};

} // namespace

FilterPanel::FilterPanel(QWidget* parent, const QRect& geometry)
    : QWidget(parent)
{
    setGeometry(geometry);
    Label1 = designLabel(QStringLiteral("Label1"), QStringLiteral("Enthält:"), {8, 5}, this);
    FilterText = placed(new QLineEdit(this), QStringLiteral("FilterText"), {62, 2, 80, 21});
    FilterText->setMaxLength(kFilterTextLength);
    FilterType = placed(new QComboBox(this), QStringLiteral("FilterType"), {146, 2, 58, 21});
    FilterType->addItems({QStringLiteral("alle"), QStringLiteral("DM"), QStringLiteral("CTF")});
    Label2 = designLabel(QStringLiteral("Label2"), QStringLiteral("Spieler:"), {210, 5}, this);
    FilterPlayers = placed(new QLineEdit(this), QStringLiteral("FilterPlayers"), {258, 2, 30, 21});
    FilterPlayers->setValidator(new QIntValidator(kMinFilterPlayers, kMaxFilterPlayers, FilterPlayers));
    FilterClear = placed(new QPushButton(QStringLiteral("Filter aus"), this), QStringLiteral("FilterClear"), {294, 2, 82, 21});
    setAnchors(FilterClear, Anchors(Anchor::Top) | Anchor::Right);

    int x = 8;
    for (int item = 0; item < kFilterItemCount; ++item) {
        const QString name = QLatin1String(kLevelFields[size_t(Field::Quad + item)].name);
        FilterItems[size_t(item)] = placed(new QCheckBox(name, this), QStringLiteral("Filter") + name, {x, 26, kItemWidths[size_t(item)], 17});
        x += kItemWidths[size_t(item)];
    }
    FilterInstalled = placed(new QCheckBox(QStringLiteral("nur installierte"), this), QStringLiteral("FilterInstalled"), {8, 44, 130, 17});
    FilterNeverPlayed = placed(new QCheckBox(QStringLiteral("nie gespielt"), this), QStringLiteral("FilterNeverPlayed"), {146, 44, 130, 17});

    connect(FilterText, &QLineEdit::textChanged, this, guarded(this, &FilterPanel::controlChanged));
    connect(FilterType, &QComboBox::currentIndexChanged, this, guarded(this, &FilterPanel::controlChanged));
    connect(FilterPlayers, &QLineEdit::textChanged, this, guarded(this, &FilterPanel::controlChanged));
    for (QCheckBox* box : FilterItems)
        connect(box, &QCheckBox::toggled, this, guarded(this, &FilterPanel::controlChanged));
    connect(FilterInstalled, &QCheckBox::toggled, this, guarded(this, &FilterPanel::controlChanged));
    connect(FilterNeverPlayed, &QCheckBox::toggled, this, guarded(this, &FilterPanel::controlChanged));
    connect(FilterClear, &QPushButton::clicked, this, guarded(this, &FilterPanel::FilterClearClick));
}

LevelFilter FilterPanel::filter() const
{
    LevelFilter filter;
    filter.text = FilterText->text();
    filter.type = static_cast<LevelFilter::Type>(std::clamp(FilterType->currentIndex(), 0, 2));
    bool ok = false;
    const int players = FilterPlayers->text().toInt(&ok);
    if (ok)
        filter.players = players;
    for (int item = 0; item < kFilterItemCount; ++item) {
        if (FilterItems[size_t(item)]->isChecked())
            filter.items |= std::uint8_t(1u << item);
    }
    filter.installedOnly = FilterInstalled->isChecked();
    filter.neverPlayed = FilterNeverPlayed->isChecked();
    return filter;
}

void FilterPanel::setFilter(const LevelFilter& filter)
{
    const QScopedValueRollback showing(m_showing, true);
    FilterText->setText(filter.text);
    FilterType->setCurrentIndex(int(filter.type));
    FilterPlayers->setText(filter.players ? QString::number(*filter.players) : QString());
    for (int item = 0; item < kFilterItemCount; ++item)
        FilterItems[size_t(item)]->setChecked(filter.items & (1u << item));
    FilterInstalled->setChecked(filter.installedOnly);
    FilterNeverPlayed->setChecked(filter.neverPlayed);
}

void FilterPanel::controlChanged()
{
    if (!m_showing)
        Q_EMIT changed();
}

// One change for the whole clearing: the table is filtered once, not per control.
void FilterPanel::FilterClearClick()
{
    setFilter({});
    Q_EMIT changed();
}

} // namespace tolvex
