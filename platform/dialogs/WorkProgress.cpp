#include "platform/dialogs/WorkProgress.h"

#include "platform/dialogs/ErrorReport.h"

#include <QEventLoop>
#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>

namespace tolvex {

namespace {
// Often enough for the count to run smoothly, rarely enough to cost nothing.
constexpr qint64 kUpdateMs = 40;
}

WorkProgress::WorkProgress(QWidget* parent, const QString& label, std::chrono::milliseconds delay)
{
    build(parent, label, delay);
}

void WorkProgress::build(QWidget* parent, const QString& label, std::chrono::milliseconds delay)
{
    m_dialog = std::make_unique<QProgressDialog>(label, QString(), 0, 0, parent);
    m_bar = new QProgressBar(m_dialog.get());
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
    // A new total is a new count: it shows at once, not the last one's value.
    if (m_sinceUpdate.isValid() && done < total && total == m_dialog->maximum() && m_sinceUpdate.elapsed() < kUpdateMs)
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

void WorkProgress::keepThroughCounts()
{
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
}

void WorkProgress::allowCancel(const QString& buttonText)
{
    m_cancellable = true;
    m_cancelText = buttonText;
    m_dialog->setCancelButtonText(buttonText);
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
    QWidget* const parent = m_dialog->parentWidget();
    const QString label = m_dialog->labelText();
    const bool cancellable = m_cancellable;
    const bool shown = m_dialog->isVisible();
    // Gone while the question is open: a hidden progress dialog still comes
    // up by itself once its delay has passed.
    m_dialog.reset();
    const bool answer = ask();
    build(parent, label, shown ? std::chrono::milliseconds(0) : std::chrono::milliseconds(500));
    if (cancellable)
        allowCancel(m_cancelText);
    return answer;
}

void WorkProgress::setLabel(const QString& text)
{
    if (m_dialog->labelText() != text)
        m_dialog->setLabelText(text);
}

void WorkProgress::runEvents(std::chrono::milliseconds time)
{
    if (m_dialog->wasCanceled())
        return;
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    QObject::connect(m_dialog.get(), &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    loop.exec(m_dialog->isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
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
