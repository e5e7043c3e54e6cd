#pragma once

// The bug-report window: a note on what the report holds, the text of the report, and Cancel,
// Save to File… and Send. Without a server, Send is disabled with the reason as its tooltip and
// Save to File… is the default button. While a report is being sent the text cannot be edited,
// only Cancel works (it stops the send, keeping the text), and a note says so. The buttons only
// ask; the application delegate acts (cancelBug, submitReport, saving).

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace pennova {

class BugReportWindow : public QDialog
{
    Q_OBJECT
public:
    explicit BugReportWindow(QWidget *parent = nullptr);

    QPlainTextEdit *bugView() const { return m_bugView; }
    QString text() const;
    void clearText();

    // Empty when reports can be sent; otherwise why not, in a sentence.
    void setSendProblem(const QString &problem);
    void setSending(bool sending);
    bool isSending() const { return m_sending; }

    QPushButton *sendButton() const { return m_send; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *cancelButton() const { return m_cancel; }

signals:
    void submitRequested();
    void saveRequested();
    void cancelRequested();

protected:
    // Escape and the window's close button ask as Cancel does.
    void reject() override;

private:
    void updateButtons();

    QLabel *m_note;
    QPlainTextEdit *m_bugView;
    QPushButton *m_cancel;
    QPushButton *m_save;
    QPushButton *m_send;
    QString m_sendProblem;
    bool m_sending = false;
};

} // namespace pennova
