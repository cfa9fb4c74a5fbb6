#pragma once

#include "level/LevelFilter.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tolvex {

// The overview's filter controls: a text, the type, a number of players,
// the seven items, "installed only" and "never played", and one button
// that clears them all. Says when the user changed any of them.
class FilterPanel final : public QWidget {
    Q_OBJECT

public:
    // Placed first: the anchored controls keep their distance to the design's right edge.
    FilterPanel(QWidget* parent, const QRect& geometry);

    [[nodiscard]] LevelFilter filter() const;
    // Shows the filter without saying it changed.
    void setFilter(const LevelFilter& filter);

    QLabel* Label1;
    QLineEdit* FilterText;
    QComboBox* FilterType;
    QLabel* Label2;
    QLineEdit* FilterPlayers;
    QPushButton* FilterClear;
    std::array<QCheckBox*, kFilterItemCount> FilterItems{};
    QCheckBox* FilterInstalled;
    QCheckBox* FilterNeverPlayed;

Q_SIGNALS:
    void changed();

private:
    void FilterClearClick();
    void controlChanged();

    bool m_showing = false;
};

} // namespace tolvex
