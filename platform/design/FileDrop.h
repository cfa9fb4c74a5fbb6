#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

namespace tolvex {

// The local files a drag brings, or none when it brings anything else.
[[nodiscard]] QStringList droppedFiles(const QMimeData* data);

// Lets files be dropped onto a window: a drag of local files is accepted and
// the files dropped are handed to take, guarded, on the next turn of the event
// loop, so the program they were dragged from is not held while take runs.
class FileDrop final : public QObject {
public:
    FileDrop(QWidget* window, std::function<void(const QStringList&)> take);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QStringList&)> m_take;
};

} // namespace tolvex
