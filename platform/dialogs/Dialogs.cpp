#include "platform/dialogs/Dialogs.h"

#include <QtGlobal>

namespace tolvex {

namespace {
std::unique_ptr<Dialogs>& current()
{
    static std::unique_ptr<Dialogs> dialogs;
    return dialogs;
}
} // namespace

Dialogs& Dialogs::instance()
{
    auto& dialogs = current();
    Q_ASSERT_X(dialogs, "Dialogs::instance", "no dialog implementation installed");
    return *dialogs;
}

QStringList Dialogs::openFiles(const FileDialogOptions& options)
{
    const auto path = openFile(options);
    return path ? QStringList{*path} : QStringList();
}

bool Dialogs::askYesNo(const QString& question, const QString& caption)
{
    return confirm(question, caption);
}

std::unique_ptr<Dialogs> Dialogs::install(std::unique_ptr<Dialogs> dialogs)
{
    return std::exchange(current(), std::move(dialogs));
}

} // namespace tolvex
