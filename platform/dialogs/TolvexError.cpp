#include "platform/dialogs/TolvexError.h"

#include <QStringList>

namespace tolvex {

TolvexError::TolvexError(QString message)
    : m_message(std::move(message))
    , m_utf8(m_message.toStdString())
{
}

const char* TolvexError::what() const noexcept
{
    return m_utf8.c_str();
}

QString formatMessage(const QString& pattern, const QStringList& args)
{
    QString result;
    result.reserve(pattern.size() + 32);
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'%' && i + 1 < pattern.size()) {
            const QChar kind = pattern.at(i + 1);
            if (kind == u's' || kind == u'd' || kind == u'g') {
                result += next < args.size() ? args.at(next) : QString();
                ++next;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

QString listIndexMessage(qsizetype index)
{
    return formatMessage(QStringLiteral("Der Index der Liste überschreitet das Maximum (%d)"), {QString::number(index)});
}

} // namespace tolvex
