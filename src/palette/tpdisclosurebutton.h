#pragma once

// The disclosure triangle of a tool row: a checkable button drawn as a small triangle pointing
// right while unchecked (the row closed) and down while checked (the row open).

#include <QAbstractButton>

namespace pennova {

class TPDisclosureButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit TPDisclosureButton(QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(13, 13); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace pennova
