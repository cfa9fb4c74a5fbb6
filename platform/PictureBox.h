#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace tolvex {

// A picture on a window: either stretched over the whole widget, aspect not
// kept, or at its natural size from the top-left corner. A stretched JPEG is
// decoded only as large as the widget needs and decoded again from its file
// when the widget grows beyond that.
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

    QImage m_image;
    QString m_path;      // the file the picture came from; empty for setImage
    bool m_fullSize = true; // m_image is the whole picture, nothing more to gain
    bool m_stretch = false;
    bool m_pressed = false;
};

} // namespace tolvex
