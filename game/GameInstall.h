#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tolvex {

// Which Quake 2 the player has: its program and where its data are. The add
// from the game folder, the marking of installed levels and the game start
// (launch/GameCommand) all ask here, so that they agree.
//
// `configured` is always the text of konfig.ini "Verzeichnisse"/"quake" and
// `extraParameters` that of "Other"/"parameter", as the caller read them.

// The game program, found the way a shell finds a command.
struct GameProgram {
    QString path;     // as given or as found in PATH, its links not resolved
    QString resolved; // the same file after resolving every symbolic link

    // The folders of the two, "/" at the end, as DirPart gives them.
    [[nodiscard]] QString folder() const;
    [[nodiscard]] QString resolvedFolder() const;
};

// A text with "/" names the program by its path (a relative one from the
// current folder), found when it is an existing file. A bare name is looked
// for in the folders of PATH in turn, as a shell looks (an empty entry being
// the current folder), and found as the first executable file of that name.
// Nothing when the text is empty or nothing is found.
[[nodiscard]] std::optional<GameProgram> findGameProgram(const QString& configured);

// The same lookup in PATH for any bare program name, e.g. "steam".
[[nodiscard]] std::optional<GameProgram> findInPath(const QString& name);

// The folders of the Steam libraries: the Steam folders themselves and the
// libraries each one's steamapps/libraryfolders.vdf lists, of the two places
// Steam is installed to in the home folder (~/.steam/steam and
// ~/.local/share/Steam), each once after resolving links, in that order.
[[nodiscard]] QStringList steamLibraries();

// Where the game's data are.
struct DataFolders {
    QStringList searched; // those that exist, each once after resolving links, in order
    QStringList asked;    // every folder looked at, in order, for saying that none exists
};

// The data folders the common engines read, in this order: the folder of the
// program as given and after resolving its links; a folder named by
// "-datadir DIR" or "+set basedir DIR" among the extra parameters (a relative
// one from the program's folder); the home folders ~/.yq2 and ~/.q2pro; the
// system folders /usr/share/games/quake2, /usr/local/share/games/quake2 and
// /usr/share/games/q2pro; the re-release's folder
// steamapps/common/Quake 2/rerelease of each Steam library. The home folder is
// HOME's. The mod folders (baseq2, ctf, ...) lie inside each.
[[nodiscard]] DataFolders dataFolders(const QString& configured, const QString& extraParameters);

// Tests only: when the environment sets this, the system folders are looked
// for below it instead of below "/". Never set in a user's environment.
inline constexpr char kTestSystemRootVariable[] = "TOLVEX_TEST_SYSTEM_ROOT";

// Whether the program is the 2023 re-release as Steam installs it
// (quake2ex_steam.exe), which only Steam can start.
[[nodiscard]] bool isRerelease(const QString& configured);

// Whether the bot start needs EraserBot's map list: the re-release brings
// bots of its own.
[[nodiscard]] bool needsMapListForBots(const QString& configured);

// Steam's number of the re-release, which `steam -applaunch` starts.
inline constexpr char kRereleaseSteamId[] = "2320";

} // namespace tolvex
