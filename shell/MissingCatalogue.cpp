#include "shell/MissingCatalogue.h"

#include "catalogue/NewCatalogue.h"
#include "lang/translate.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/dialogs/TolvexError.h"

#include <QFileInfo>

namespace tolvex {

void offerEmptyCatalogue(const QString& fileName)
{
    // Whatever lies at the name, also a folder or a broken link, is left to the open to report.
    const QFileInfo info(fileName);
    if (info.exists() || info.isSymLink())
        return;
    const QString folder = info.absolutePath();
    if (Dialogs::instance().confirm(formatMessage(MsgNoCatalogue, {folder}), QStringLiteral("Bestätigung")))
        createCatalogue(fileName);
}

} // namespace tolvex
