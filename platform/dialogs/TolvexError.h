#pragma once

#include <QString>

#include <exception>
#include <string>

namespace tolvex {

// The one exception type of the program. It carries the message exactly as
// the user is to read it; the guard at the event entry shows it.
class TolvexError : public std::exception {
public:
    explicit TolvexError(QString message);

    [[nodiscard]] const QString& message() const noexcept { return m_message; }
    [[nodiscard]] const char* what() const noexcept override;

private:
    QString m_message;
    std::string m_utf8;
};

// Fills "%s" / "%d" placeholders in order, the way the program's messages are written.
[[nodiscard]] QString formatMessage(const QString& pattern, const QStringList& args);

// The error of a list asked for an item it doesn't have.
[[nodiscard]] QString listIndexMessage(qsizetype index);

} // namespace tolvex
