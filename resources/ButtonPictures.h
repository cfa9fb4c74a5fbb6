#pragma once

#include <QIcon>

namespace tolvex {

// The pictures on Tolvex's buttons, drawn at 16 x 16 so they stay crisp
// and need no image files.
enum class Picture {
    RandomLevel,
    StartWithBots,
    StartGame,
    MapList,
    Clipboard,
    Overview,
    Information,
    Configuration,
    CloseProgram,
    Print,
    Export,
    Import,
    LevelsFromGame,
    InstallArchive,
    CloseWindow,
    AddLevel,
    RemoveLevel,
    SaveAndClose,
    CloseWithoutSaving,
    Browse,
    Ok,
};

[[nodiscard]] QIcon buttonPicture(Picture picture);

} // namespace tolvex
