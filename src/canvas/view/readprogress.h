#pragma once

// Reading a picture while the user waits (Open, drops, pastes). The decoding runs on a worker
// thread while this one keeps the windows drawn, taking no input meanwhile; a very large picture
// is asked about first, and a decoding that goes on for more than a second shows a progress
// window whose Cancel stops it.

#include "canvas/imagefile.h"

#include <functional>

class QWidget;

namespace pennova {

class ReadProgress
{
public:
    // Answers imagefile's question about a very large picture: true to open it.
    using Question = std::function<bool(QWidget *parent, const QString &question)>;
    // The read itself, given the options that carry the question and the progress.
    using Read = std::function<imagefile::ReadResult(const imagefile::ReadOptions &options)>;

    ReadProgress() = delete;

    // The question in a message box, with Open and Cancel (the default).
    static bool askInBox(QWidget *parent, const QString &question);

    // Runs `read` on a worker thread and returns its result once it is done. `ask` answers the
    // large-picture question on this thread (none: such a picture is not opened); `label` is
    // the progress window's text ("Opening “beach.jpg”…").
    static imagefile::ReadResult run(
        QWidget *parent, const Question &ask, const Read &read, const QString &label);

    // How long a decoding runs before the progress window shows (1 s; tests shorten it), and
    // the window that shows, while it does (null otherwise).
    static void setProgressDelay(int milliseconds);
    static QWidget *progressWindow();
};

} // namespace pennova
