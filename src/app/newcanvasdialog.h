#pragma once

// The canvas-size window shown for a new document: width and height fields, in pixels, filled
// with the stored default size ("ImageWidth" x "ImageHeight"). Confirming checks both fields and
// stays open with a message while one is not a whole number of at least 1; a confirmed size is
// stored as the default for the next new canvas.

#include <QDialog>
#include <QSize>
#include <optional>

class QLabel;
class QLineEdit;

namespace pennova {

class Defaults;

class NewCanvasDialog : public QDialog
{
    Q_OBJECT
public:
    explicit NewCanvasDialog(Defaults &defaults, QWidget *parent = nullptr);

    QLineEdit *widthField() const { return m_width; }
    QLineEdit *heightField() const { return m_height; }
    // The confirmed size; empty until accepted.
    QSize canvasSize() const { return m_size; }
    // The message shown about the fields; empty while there is none.
    QString errorText() const;

    // Runs the window modally; the confirmed size, or none when cancelled.
    static std::optional<QSize> ask(Defaults &defaults, QWidget *parent = nullptr);

public slots:
    // Confirms when both fields hold a size of at least 1 x 1, else shows why and stays open.
    void accept() override;

private:
    std::optional<int> readField(QLineEdit *field, const QString &what);

    Defaults &m_defaults;
    QLineEdit *m_width;
    QLineEdit *m_height;
    QLabel *m_error;
    QSize m_size;
};

} // namespace pennova
