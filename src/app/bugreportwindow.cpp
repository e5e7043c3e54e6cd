#include "app/bugreportwindow.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pennova {

BugReportWindow::BugReportWindow(QWidget *parent)
    : QDialog(parent)
    , m_note(new QLabel)
    , m_bugView(new QPlainTextEdit)
{
    setWindowTitle(tr("Report a Bug"));
    m_note->setWordWrap(true);
    m_bugView->setPlaceholderText(
        tr("What did you do, what happened, and what did you expect to happen?"));
    m_bugView->setMinimumSize(440, 220);
    m_bugView->setTabChangesFocus(true);

    auto *buttons = new QDialogButtonBox;
    m_cancel = buttons->addButton(QDialogButtonBox::Cancel);
    m_save = buttons->addButton(tr("&Save to File…"), QDialogButtonBox::ActionRole);
    m_send = buttons->addButton(tr("S&end"), QDialogButtonBox::AcceptRole);
    connect(m_cancel, &QPushButton::clicked, this, &BugReportWindow::cancelRequested);
    connect(m_save, &QPushButton::clicked, this, &BugReportWindow::saveRequested);
    connect(m_send, &QPushButton::clicked, this, &BugReportWindow::submitRequested);
    connect(m_bugView, &QPlainTextEdit::textChanged, this, &BugReportWindow::updateButtons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_note);
    layout->addWidget(m_bugView, 1);
    layout->addWidget(buttons);
    updateButtons();
}

QString BugReportWindow::text() const
{
    return m_bugView->toPlainText();
}

void BugReportWindow::clearText()
{
    m_bugView->clear();
}

void BugReportWindow::setSendProblem(const QString &problem)
{
    m_sendProblem = problem;
    updateButtons();
}

void BugReportWindow::setSending(bool sending)
{
    m_sending = sending;
    updateButtons();
}

void BugReportWindow::reject()
{
    emit cancelRequested();
}

void BugReportWindow::updateButtons()
{
    const bool canSend = m_sendProblem.isEmpty();
    const bool hasText = !m_bugView->toPlainText().trimmed().isEmpty();
    m_bugView->setReadOnly(m_sending);
    m_send->setEnabled(canSend && hasText && !m_sending);
    m_send->setToolTip(canSend ? QString() : m_sendProblem);
    m_save->setEnabled(hasText && !m_sending);
    m_send->setDefault(canSend);
    m_save->setDefault(!canSend);
    if (m_sending)
        m_note->setText(tr("Sending the report… Cancel stops sending and keeps your text."));
    else if (canSend)
        m_note->setText(
            tr("Your report is sent to the makers of Pennova together with the program's "
               "version number (%1).")
                .arg(QCoreApplication::applicationVersion()));
    else
        m_note->setText(tr("%1 The report cannot be sent from here; save it to a file to pass "
                           "it on.")
                            .arg(m_sendProblem));
}

} // namespace pennova
