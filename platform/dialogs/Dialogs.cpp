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

std::unique_ptr<Dialogs> Dialogs::install(std::unique_ptr<Dialogs> dialogs)
{
    return std::exchange(current(), std::move(dialogs));
}

} // namespace tolvex
