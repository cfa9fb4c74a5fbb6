#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <vector>

namespace tolvex {

class ScriptedDialogs;

// A portable program folder in a temporary directory for window tests: the
// program directory and the current directory point into it, the dialogs
// are scripted, and maps.DB is made from level records given as texts.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();

    [[nodiscard]] QString path(const QString& name = QString()) const;
    [[nodiscard]] ScriptedDialogs& dialogs() const { return *m_dialogs; }

    // Thirteen texts per record, in field order.
    void makeCatalogue(const std::vector<QStringList>& records) const;
    void writeFile(const QString& name, const QByteArray& bytes) const;
    [[nodiscard]] QByteArray readFile(const QString& name) const;
    void writeKonfig(const QByteArray& text) const { writeFile(QStringLiteral("konfig.ini"), text); }

    // Creates the window set and shows the main window the way the program
    // starts; the splash is clicked away as a user would, and the
    // configuration dialog, when it comes, is handled by onKonfigDialog
    // (by default: OK). With leaveSplash set the splash is left to close
    // by itself or by the test.
    void start();
    // Ends the window set, and with it the program's hold on maps.DB.
    void stop();
    std::function<void()> onKonfigDialog;
    bool leaveSplash = false;

private:
    QTemporaryDir m_dir;
    QString m_previousCurrent;
    ScriptedDialogs* m_dialogs;
    bool m_started = false;
};

// A level record as thirteen texts: name, title, type, players, no description, no flags.
[[nodiscard]] QStringList levelRecord(const QString& datei, const QString& level, const QString& typ = QStringLiteral("DM"),
                                      const QString& minPlayers = QStringLiteral("2"), const QString& maxPlayers = QStringLiteral("8"));

} // namespace tolvex
