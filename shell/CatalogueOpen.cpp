#include "shell/CatalogueOpen.h"

#include "catalogue/LevelTable.h"
#include "lang/translate.h"
#include "paradox/ParadoxConversion.h"
#include "paradox/ParadoxTable.h"
#include "platform/dialogs/Dialogs.h"

namespace tolvex {

void openCatalogue(LevelTable& table)
{
    if (isParadoxTable(table.fileName())) {
        // Taken before the question: a second copy started meanwhile stops
        // at once instead of asking too and writing the same files.
        const ConversionLock lock(table.fileName());
        if (lock.holdsParadoxTable() && Dialogs::instance().confirm(MsgParadox, QStringLiteral("Bestätigung")))
            convertParadoxCatalogue(lock);
    }
    table.open();
}

} // namespace tolvex
