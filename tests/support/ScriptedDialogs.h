#pragma once

#include "platform/dialogs/Dialogs.h"

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
    void setNextOpenFile(const std::optional<QString>& path) { m_openFiles.push_back(answer(path)); }
    void setNextSaveFile(const std::optional<QString>& path) { m_saveFiles.push_back(answer(path)); }
    // A PDF file to print into, or std::nullopt to cancel.
    void setNextPrint(const std::optional<QString>& pdfPath) { m_prints.push_back(answer(pdfPath)); }

    struct Answer {
        bool confirmed;
        QString path;
    };

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
    static Answer answer(const std::optional<QString>& path) { return {path.has_value(), path.value_or(QString())}; }

    std::vector<Shown> m_shown;
    std::deque<bool> m_confirms;
    std::deque<Answer> m_openFiles;
    std::deque<Answer> m_saveFiles;
    std::deque<Answer> m_prints;
};

} // namespace tolvex
