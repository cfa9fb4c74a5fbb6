#pragma once

#include "platform/dialogs/Dialogs.h"

namespace tolvex {

// The production side of the dialog interface: Qt's own boxes and dialogs.
class QtDialogs final : public Dialogs {
public:
    void showInfo(const QString& message) override;
    void showError(const QString& message, const QString& caption) override;
    bool confirm(const QString& question, const QString& caption) override;
    std::optional<QString> openFile(const FileDialogOptions& options) override;
    std::optional<QString> saveFile(const FileDialogOptions& options) override;
    bool print(QPrinter& printer) override;
};

} // namespace tolvex
