#include "platform/dialogs/ErrorReport.h"

#include "platform/dialogs/Dialogs.h"

namespace tolvex {

QString withFullStop(const QString& message)
{
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + u'.';
    return message;
}

void reportError(const QString& message)
{
    Dialogs::instance().showError(withFullStop(message), QString::fromLatin1(kApplicationTitle));
}

} // namespace tolvex
