#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace tolvex {

class PictureCache;

// A picture on a window: either stretched over the whole widget, aspect not
// kept, or at its natural size from the top-left corner. A stretched JPEG is
// decoded only as large as the widget needs and decoded again from its file
// when the widget grows beyond that. With a cache, pictures decoded ahead
// for the widget's size are shown from it.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    void setStretch(bool stretch);
    [[nodiscard]] bool stretch() const { return m_stretch; }

    // Decodes the JPEG file and shows it. Throws the decoder's error; the
    // picture shown before stays then.
    void load(const QString& path);
    // Shows a picture that is already in memory (the program icon).
    void setImage(const QImage& image);

    // The cache stays the caller's and must outlive the box's loads.
    void setCache(PictureCache* cache) { m_cache = cache; }
    // Has the files decoded in the background for the widget's present size,
    // and again whenever the size changes, until the next call.
    void prefetch(const QStringList& paths);

    [[nodiscard]] const QImage& image() const { return m_image; }
    [[nodiscard]] const QString& path() const { return m_path; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] QSize coverSize() const;
    [[nodiscard]] bool needsLargerDecode() const;

    PictureCache* m_cache = nullptr;
    QStringList m_prefetched;
    QImage m_image;
    QImage m_drawn;      // m_image shrunk to the region it was decoded for
    QString m_path;      // the file the picture came from; empty for setImage
    bool m_fullSize = true; // m_image is the whole picture, nothing more to gain
    bool m_stretch = false;
    bool m_pressed = false;
};

} // namespace tolvex
