#pragma once

#include <QElapsedTimer>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QProgressBar;
class QProgressDialog;
class QWidget;

namespace tolvex {

// A modal window with a count for long work on the user-interface thread.
// It comes up only once the work has taken longer than the delay (or is
// expected to), so short runs show nothing; it has a cancel button only
// when allowCancel() gives it one.
class WorkProgress {
public:
    explicit WorkProgress(QWidget* parent, const QString& label,
                          std::chrono::milliseconds delay = std::chrono::milliseconds(500));
    ~WorkProgress();
    WorkProgress(const WorkProgress&) = delete;
    WorkProgress& operator=(const WorkProgress&) = delete;

    // Cheap enough to call for every record: the window is updated a few
    // dozen times a second at most.
    void step(int done, int total);
    // step() as a callback for the work; the window must outlive it.
    [[nodiscard]] std::function<void(int done, int total)> reporter();

    // For work of several counts, one after the other: the window stays up
    // when a count reaches its end, until this object goes.
    void keepThroughCounts();
    // Gives the window a cancel button with this text.
    void allowCancel(const QString& buttonText);
    [[nodiscard]] bool wasCancelled() const;
    void setLabel(const QString& text);
    // Lets the program handle its events for the time given, or until the
    // cancel button is pressed, for work done off this thread or in slices.
    // Until the window is shown the user's input waits, so that nothing else
    // is started meanwhile; once shown, it holds the other windows.
    void runEvents(std::chrono::milliseconds time);

    [[nodiscard]] bool isShown() const;
    // What the window shows as the count, e.g. "250 von 1000".
    [[nodiscard]] QString countText() const;

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    QProgressBar* m_bar;
    QElapsedTimer m_sinceUpdate;
};

} // namespace tolvex
