#include "platform/pictures/PictureBox.h"

#include "platform/dialogs/TolvexError.h"
#include "platform/pictures/JpegImage.h"
#include "platform/pictures/PictureCache.h"

#include <QMouseEvent>
#include <QPainter>

namespace tolvex {

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent)
{
}

void PictureBox::setStretch(bool stretch)
{
    if (m_stretch == stretch)
        return;
    m_stretch = stretch;
    if (needsLargerDecode()) {
        try {
            load(m_path);
        } catch (const TolvexError&) {
            // The file went away since it was shown; keep what we have.
        }
    }
    update();
}

QSize PictureBox::coverSize() const
{
    if (!m_stretch)
        return {}; // natural size: the whole picture
    return size() * devicePixelRatioF();
}

bool PictureBox::needsLargerDecode() const
{
    if (m_fullSize || m_path.isEmpty())
        return false;
    const QSize cover = coverSize();
    return !cover.isValid() || cover.width() > m_image.width() || cover.height() > m_image.height();
}

void PictureBox::load(const QString& path)
{
    const QSize cover = coverSize();
    PictureCache::Picture picture;
    if (m_cache)
        picture = m_cache->load(path, cover);
    else
        picture.image = loadJpeg(path, cover, &picture.fullSize);
    m_fullSize = picture.image.size() == picture.fullSize;
    m_image = std::move(picture.image);
    m_drawn = std::move(picture.drawn);
    m_path = path;
    update();
}

void PictureBox::prefetch(const QStringList& paths)
{
    m_prefetched = paths;
    if (m_cache)
        m_cache->prefetch(paths, coverSize());
}

void PictureBox::setImage(const QImage& image)
{
    m_image = image;
    m_drawn = QImage();
    m_path.clear();
    m_fullSize = true;
    update();
}

void PictureBox::paintEvent(QPaintEvent*)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    if (m_stretch && !m_drawn.isNull() && m_drawn.size() == coverSize()) {
        painter.drawImage(rect(), m_drawn);
    } else if (m_stretch) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_image);
    } else {
        painter.drawImage(QPoint(0, 0), m_image);
    }
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (needsLargerDecode()) {
        try {
            load(m_path);
        } catch (const TolvexError&) {
            // The file changed or went away since it was shown; stretching the
            // smaller decode is still the right picture for a resize.
        }
    }
    // Pictures decoded ahead for the old size are no use at the new one.
    if (m_cache && !m_prefetched.isEmpty())
        m_cache->prefetch(m_prefetched, coverSize());
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QWidget::mouseReleaseEvent(event);
    if (click)
        Q_EMIT clicked();
}

} // namespace tolvex
