#include "canvas/view/readprogress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <atomic>

namespace pennova {

namespace {

    int s_progressDelay = 1000;
    QPointer<QProgressDialog> s_window;

    // What the two threads share; the worker writes `result` before it finishes.
    struct Shared
    {
        std::atomic<double> done { 0.0 };
        std::atomic<bool> cancel { false };
        imagefile::ReadResult result;
    };

} // namespace

bool ReadProgress::askInBox(QWidget *parent, const QString &question)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), question,
        QMessageBox::Cancel, parent);
    box.setInformativeText(QApplication::translate(
        "pennova::ReadProgress", "Other programs may become slow while it is open."));
    QPushButton *open = box.addButton(
        QApplication::translate("pennova::ReadProgress", "Open"), QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == open;
}

imagefile::ReadResult ReadProgress::run(
    QWidget *parent, const Question &ask, const Read &read, const QString &label)
{
    auto shared = std::make_shared<Shared>();
    QPointer<QWidget> owner(parent);
    QObject here; // receives the worker's question on this thread
    QElapsedTimer sinceAnswer;
    sinceAnswer.start();
    bool asking = false;

    imagefile::ReadOptions options;
    options.progress = [shared](double done) {
        shared->done = done;
        return !shared->cancel;
    };
    if (ask) {
        options.confirmLarge = [&](const QString &question) {
            bool answer = false;
            QMetaObject::invokeMethod(
                &here,
                [&] {
                    asking = true;
                    answer = ask(owner, question);
                    asking = false;
                    sinceAnswer.restart();
                },
                Qt::BlockingQueuedConnection);
            return answer;
        };
    }

    QThread *worker = QThread::create([&] { shared->result = read(options); });
    QEventLoop loop;
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        // (A finish signalled between the two waits below would otherwise be missed.)
        if (worker->isFinished()
            || (!s_window && !asking && sinceAnswer.elapsed() >= s_progressDelay))
            loop.quit();
        if (s_window)
            s_window->setValue(int(shared->done * 1000));
    });
    worker->start();
    tick.start();
    // No input reaches the windows while the picture is read: the window it is for must stay.
    loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (!worker->isFinished()) {
        // The progress window is modal, so that again only it takes input.
        QProgressDialog progress(
            label, QApplication::translate("pennova::ReadProgress", "Cancel"), 0, 1000, owner);
        progress.setWindowTitle(QApplication::applicationName());
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
            shared->cancel = true;
            progress.setLabelText(QApplication::translate("pennova::ReadProgress", "Cancelling…"));
        });
        s_window = &progress;
        progress.setValue(int(shared->done * 1000));
        progress.show();
        if (!worker->isFinished())
            loop.exec();
        s_window = nullptr;
    }
    worker->wait();
    delete worker;
    return std::move(shared->result);
}

void ReadProgress::setProgressDelay(int milliseconds)
{
    s_progressDelay = milliseconds;
}

QWidget *ReadProgress::progressWindow()
{
    return s_window;
}

} // namespace pennova
