#pragma once

#include "platform/dialogs/SystemTexts.h"
#include "platform/dialogs/TolvexError.h"

#include <QString>

#include <exception>
#include <new>
#include <functional>
#include <type_traits>
#include <utility>

namespace tolvex {

inline constexpr auto kApplicationTitle = "Tolvex";

// The application's error handler: a modal box titled "Tolvex" with the
// error icon and OK. A full stop is added when the message's last character
// sorts after ".".
void reportError(const QString& message);
[[nodiscard]] QString withFullStop(const QString& message);

// Runs one entry from the event loop into our code. Whatever it throws ends
// that entry there and is reported; nothing crosses a Qt frame.
template <typename F>
void runGuarded(F&& f) noexcept
{
    try {
        std::invoke(std::forward<F>(f));
    } catch (const TolvexError& e) {
        reportError(e.message());
    } catch (const std::bad_alloc&) {
        // Its what() names a C++ type, nothing a user can read.
        reportError(outOfMemoryText());
    } catch (const std::exception& e) {
        reportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportError(QStringLiteral("Unbekannter Fehler"));
    }
}

// Wraps a member handler for connect(): guarded(this, &TForm2::SpeedButton5Click).
template <typename Obj, typename... Args>
auto guarded(Obj* object, void (Obj::*handler)(Args...))
{
    return [object, handler](Args... args) {
        runGuarded([&] { (object->*handler)(args...); });
    };
}

} // namespace tolvex
