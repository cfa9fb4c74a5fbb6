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

SystemLanguage& current()
{
    static SystemLanguage language = SystemLanguage::German;
    return language;
}

} // namespace

SystemLanguage systemLanguage()
{
    return current();
}

QString outOfMemoryText()
{
    return current() == SystemLanguage::English ? QStringLiteral("Out of memory") : QStringLiteral("Zu wenig Arbeitsspeicher");
}

void setSystemLanguage(SystemLanguage language)
{
    current() = language;
    std::unique_ptr<QTranslator>& translator = installed();
    if (translator) {
        QCoreApplication::removeTranslator(translator.get());
        translator.reset();
    }
    if (language == SystemLanguage::English)
        return;
    auto german = std::make_unique<QTranslator>();
    if (german->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(german.get()))
        translator = std::move(german);
}

} // namespace tolvex
