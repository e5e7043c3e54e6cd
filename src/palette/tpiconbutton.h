#pragma once

// The icon button of a tool row: it shows the tool's icon without a border, and its pressed
// image while the mouse holds it down. It takes no keyboard focus.

#include <QAbstractButton>
#include <QImage>

namespace pennova {

class TPIconButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit TPIconButton(QWidget *parent = nullptr);

    void setImages(const QImage &image, const QImage &pressed);
    QImage image() const { return m_image; }
    QImage pressedImage() const { return m_pressed; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    QImage m_pressed;
};

} // namespace pennova
