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
// expected to), so short runs show nothing. It has a cancel button only
// where the work asks for one and can stop.
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
    // Adds the cancel button; the work asks cancelled() as it goes.
    void allowCancel(const QString& buttonText = QStringLiteral("Abbrechen"));
    [[nodiscard]] bool cancelled() const;
    // The cancel check as a callback for the work; the window must outlive it.
    [[nodiscard]] std::function<bool()> canceller() const;
    void setLabel(const QString& text);
    // Lets the program handle its events for the time given, or until the
    // cancel button is pressed, for work done off this thread or in slices.
    // Until the window is shown the user's input waits, so that nothing else
    // is started meanwhile; once shown, it holds the other windows.
    void runEvents(std::chrono::milliseconds time);

    // Asks the user something in the middle of the work: the window steps
    // aside meanwhile, so that it neither covers the question nor comes up over it.
    bool askAside(const std::function<bool()>& ask);

    [[nodiscard]] bool isShown() const;
    // What the window shows as the count, e.g. "250 von 1000".
    [[nodiscard]] QString countText() const;

private:
    void build(QWidget* parent, const QString& label, std::chrono::milliseconds delay);

    std::unique_ptr<QProgressDialog> m_dialog;
    QProgressBar* m_bar = nullptr;
    bool m_cancellable = false;
    QString m_cancelText;
    QElapsedTimer m_sinceUpdate;
};

} // namespace tolvex
