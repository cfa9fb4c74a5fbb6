#include "platform/WorkProgress.h"

#include "platform/ErrorReport.h"

#include <QProgressBar>
#include <QProgressDialog>

#include <algorithm>

namespace tolvex {

namespace {
// Often enough for the count to run smoothly, rarely enough to cost nothing.
constexpr qint64 kUpdateMs = 40;
}

WorkProgress::WorkProgress(QWidget* parent, const QString& label, std::chrono::milliseconds delay)
    : m_dialog(std::make_unique<QProgressDialog>(label, QString(), 0, 0, parent))
    , m_bar(new QProgressBar(m_dialog.get()))
{
    m_bar->setFormat(QStringLiteral("%v von %m"));
    m_dialog->setBar(m_bar);
    m_dialog->setWindowTitle(QString::fromLatin1(kApplicationTitle));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(int(delay.count()));
    // The first value starts the clock against which the delay is measured.
    m_dialog->setValue(0);
}

WorkProgress::~WorkProgress() = default;

void WorkProgress::step(int done, int total)
{
    if (m_sinceUpdate.isValid() && done < total && m_sinceUpdate.elapsed() < kUpdateMs)
        return;
    m_sinceUpdate.start();
    if (m_dialog->maximum() != total)
        m_dialog->setMaximum(total);
    m_dialog->setValue(done);
}

std::function<void(int done, int total)> WorkProgress::reporter()
{
    return [this](int done, int total) { step(done, total); };
}

void WorkProgress::allowCancel()
{
    m_dialog->setCancelButtonText(QStringLiteral("Abbrechen"));
}

bool WorkProgress::cancelled() const
{
    return m_dialog->wasCanceled();
}

std::function<bool()> WorkProgress::canceller() const
{
    return [this] { return cancelled(); };
}

bool WorkProgress::askAside(const std::function<bool()>& ask)
{
    const bool shown = m_dialog->isVisible();
    const int done = m_dialog->value();
    const int total = m_dialog->maximum();
    // reset() hides the window and stops the timer that would show it.
    m_dialog->reset();
    const bool answer = ask();
    m_dialog->setMaximum(total);
    m_dialog->setValue(std::max(done, 0));
    if (shown)
        m_dialog->show();
    return answer;
}

bool WorkProgress::isShown() const
{
    return m_dialog->isVisible();
}

QString WorkProgress::countText() const
{
    return m_bar->text();
}

} // namespace tolvex
