#pragma once

#include "platform/Dialogs.h"

#include <deque>

namespace tolvex {

// The test side of the dialog interface: answers as the test says and keeps
// what would have been shown.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { Info, Error, Confirm, OpenFile, SaveFile, Print };
    struct Shown {
        Kind kind;
        QString text;     // message or question; empty for file and print dialogs
        QString caption;
        FileDialogOptions fileOptions;
    };

    void setNextConfirm(bool ok) { m_confirms.push_back(ok); }
    // std::nullopt cancels the dialog.
    void setNextOpenFile(std::optional<QString> path) { m_openFiles.push_back(std::move(path)); }
    void setNextSaveFile(std::optional<QString> path) { m_saveFiles.push_back(std::move(path)); }
    // A PDF file to print into, or std::nullopt to cancel.
    void setNextPrint(std::optional<QString> pdfPath) { m_prints.push_back(std::move(pdfPath)); }

    [[nodiscard]] const std::vector<Shown>& shown() const { return m_shown; }
    [[nodiscard]] std::vector<Shown> take() { return std::exchange(m_shown, {}); }
    // The texts of the message boxes of one kind, in order.
    [[nodiscard]] QStringList messages(Kind kind) const;
    void clear() { m_shown.clear(); }

    void showInfo(const QString& message) override;
    void showError(const QString& message, const QString& caption) override;
    bool confirm(const QString& question, const QString& caption) override;
    std::optional<QString> openFile(const FileDialogOptions& options) override;
    std::optional<QString> saveFile(const FileDialogOptions& options) override;
    bool print(QPrinter& printer) override;

private:
    std::vector<Shown> m_shown;
    std::deque<bool> m_confirms;
    std::deque<std::optional<QString>> m_openFiles;
    std::deque<std::optional<QString>> m_saveFiles;
    std::deque<std::optional<QString>> m_prints;
};

} // namespace tolvex
