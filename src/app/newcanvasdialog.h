#pragma once

// The canvas-size window shown for a new document: width and height fields, in pixels, filled
// with the stored default size ("ImageWidth" x "ImageHeight"). Confirming checks both fields and
// hands the size to the window's canvas maker; the window stays open with the message while a
// field is not a whole number of at least 1 or the maker refuses the size (too large for this
// computer). The window stores nothing: the maker's owner stores a size once it was made.

#include <QDialog>
#include <QSize>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;

namespace pennova {

class Defaults;

class NewCanvasDialog : public QDialog
{
    Q_OBJECT
public:
    // Makes the canvas of the confirmed size: empty when made, else why not (a sentence).
    using Maker = std::function<QString(const QSize &size)>;

    // Without a maker, any size of at least 1 x 1 is confirmed.
    explicit NewCanvasDialog(Defaults &defaults, Maker make = {}, QWidget *parent = nullptr);

    // The size proposed when the stored one cannot be a canvas.
    static constexpr QSize kFactorySize { 640, 480 };

    QLineEdit *widthField() const { return m_width; }
    QLineEdit *heightField() const { return m_height; }
    // The confirmed size; empty until accepted.
    QSize canvasSize() const { return m_size; }
    // The message shown about the fields; empty while there is none.
    QString errorText() const;

    // Runs the window modally, centred on `parent`; the size made, or none when cancelled.
    static std::optional<QSize> ask(Defaults &defaults, Maker make, QWidget *parent = nullptr);

public slots:
    // Confirms when both fields hold a size of at least 1 x 1 that the maker makes, else shows
    // why and stays open.
    void accept() override;

private:
    std::optional<int> readField(QLineEdit *field, const QString &what);
    void showError(const QString &text, QLineEdit *field);

    Maker m_make;
    QLineEdit *m_width;
    QLineEdit *m_height;
    QLabel *m_error;
    QSize m_size;
};

} // namespace pennova
