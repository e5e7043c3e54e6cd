#pragma once

// The value control of a colour setting: a small well showing its colour, which opens the colour
// dialog when clicked. Its object value is the ColorArchive bytes of its colour; it takes either
// such bytes or a QColor, and keeps its colour for anything else (bytes that do not decode).
// The colour is kept as the archive's floats, so that bytes given to it come back unchanged.

#include "settings/colorarchive.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QPointer>
#include <QVariant>

namespace pennova {

class TPColorWell : public QAbstractButton
{
    Q_OBJECT
public:
    // The colour is drawn inside the well's bounds inset by this much on every side.
    static constexpr int kColorInset = 2;

    explicit TPColorWell(QWidget *parent = nullptr);

    RgbaColor color() const { return m_color; }
    void setColor(const RgbaColor &color);

    QByteArray objectValue() const;
    // Bytes that decode or a QColor become the colour; false (colour unchanged) otherwise.
    bool setObjectValue(const QVariant &value);

    // The dialog opened by the last click, while it is open; null otherwise.
    QColorDialog *colorDialog() const { return m_dialog; }

signals:
    // The user chose a colour in the dialog; color() holds it already.
    void colorPicked();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void openColorDialog();

    RgbaColor m_color;
    QPointer<QColorDialog> m_dialog;
};

} // namespace pennova
