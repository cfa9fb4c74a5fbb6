#include "platform/dialogs/SystemTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace tolvex {

namespace {

std::unique_ptr<QTranslator>& installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

void setSystemLanguage(SystemLanguage language)
{
    std::unique_ptr<QTranslator>& current = installed();
    if (current) {
        QCoreApplication::removeTranslator(current.get());
        current.reset();
    }
    if (language == SystemLanguage::English)
        return;
    auto german = std::make_unique<QTranslator>();
    if (german->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(german.get()))
        current = std::move(german);
}

} // namespace tolvex
