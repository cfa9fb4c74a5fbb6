#include "platform/dialogs/WorkProgress.h"

#include "platform/dialogs/ErrorReport.h"

#include <QProgressBar>
#include <QProgressDialog>

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

bool WorkProgress::isShown() const
{
    return m_dialog->isVisible();
}

QString WorkProgress::countText() const
{
    return m_bar->text();
}

} // namespace tolvex
