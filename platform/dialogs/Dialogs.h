#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QPrinter;
class QWidget;

namespace tolvex {

// One entry of a file dialog's filter list: the name shown and its pattern(s),
// several patterns separated by "; " as the program writes them.
struct FileFilter {
    QString name;
    QString pattern;
    bool executablesOnly = false; // shows only files the user may run (and folders)
};

struct FileDialogOptions {
    QString title;                 // empty: the system's default title
    std::vector<FileFilter> filters;
    QString defaultSuffix;         // added to a name typed without extension; empty: none
    bool fileMustExist = false;
    bool confirmOverwrite = false;
};

// Every modal interaction of the program goes through here, so that tests can
// answer in the user's place and see what would have been shown.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual void showInfo(const QString& message) = 0;
    virtual void showError(const QString& message, const QString& caption) = 0;
    // A question with "OK" and "Abbrechen"; true for OK.
    virtual bool confirm(const QString& question, const QString& caption) = 0;
    virtual std::optional<QString> openFile(const FileDialogOptions& options) = 0;
    virtual std::optional<QString> saveFile(const FileDialogOptions& options) = 0;
    // Lets the user set up the printer; false when cancelled.
    virtual bool print(QPrinter& printer) = 0;

    [[nodiscard]] static Dialogs& instance();
    // Takes over the given implementation; returns the one it replaces.
    static std::unique_ptr<Dialogs> install(std::unique_ptr<Dialogs> dialogs);
};

} // namespace tolvex
