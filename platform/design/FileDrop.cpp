#include "platform/design/FileDrop.h"

#include "platform/dialogs/ErrorReport.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace tolvex {

QStringList droppedFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        files.append(url.toLocalFile());
    }
    return files;
}

FileDrop::FileDrop(QWidget* window, std::function<void(const QStringList&)> take)
    : QObject(window)
    , m_take(std::move(take))
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool FileDrop::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (droppedFiles(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = droppedFiles(drop->mimeData());
        if (files.isEmpty())
            return false;
        drop->acceptProposedAction();
        QTimer::singleShot(0, this, [this, files] { runGuarded([&] { m_take(files); }); });
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace tolvex
