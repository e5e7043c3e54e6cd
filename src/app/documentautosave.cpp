#include "app/documentautosave.h"

#include "app/autosavestore.h"
#include "app/mydocument.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"

#include <QDateTime>

namespace pennova {

namespace {

    int s_penUpMs = DocumentAutosave::kPenUpMs;
    int s_latestMs = DocumentAutosave::kLatestMs;

} // namespace

void DocumentAutosave::setWaits(int penUpMs, int latestMs)
{
    s_penUpMs = penUpMs > 0 ? penUpMs : kPenUpMs;
    s_latestMs = latestMs > 0 ? latestMs : kLatestMs;
}

DocumentAutosave::DocumentAutosave(
    MyDocument &document, AutosaveStore &store, const QString &adoptedFile)
    : QObject(&document)
    , m_document(document)
    , m_writer(adoptedFile.isEmpty() ? store.newFilePath() : adoptedFile)
{
    UndoHistory *history = document.undoHistory();
    m_savedState = history->state();
    m_clean = history->isClean();
    m_penUp.setSingleShot(true);
    m_latest.setSingleShot(true);
    connect(&m_penUp, &QTimer::timeout, this, &DocumentAutosave::penUpTimeout);
    connect(&m_latest, &QTimer::timeout, this, &DocumentAutosave::autosaveNow);
    connect(history, &UndoHistory::changed, this, &DocumentAutosave::historyChanged);
    connect(history, &UndoHistory::cleanChanged, this, &DocumentAutosave::cleanChanged);
    connect(&m_writer, &AutosaveWriter::written, this, &DocumentAutosave::written);
    connect(&document, &MyDocument::closed, this, [this] {
        m_closed = true;
        m_penUp.stop();
        m_latest.stop();
        m_writer.discard();
    });
}

DocumentAutosave::~DocumentAutosave()
{
    // Deleted with changes not saved and without its window closing: the program is ending
    // some other way than by closing its documents, and the autosave is all that is left.
    if (!m_clean && !m_closed)
        m_writer.keep();
}

bool DocumentAutosave::isPending() const
{
    return !m_clean && !m_closed && m_document.undoHistory()->state() != m_savedState;
}

void DocumentAutosave::historyChanged()
{
    if (!isPending()) {
        // Undone back to the picture the file holds.
        m_penUp.stop();
        m_latest.stop();
        m_pendingSince.invalidate();
        return;
    }
    if (!m_pendingSince.isValid())
        m_pendingSince.start();
    scheduleLatest();
    m_penUp.start(s_penUpMs);
}

void DocumentAutosave::scheduleLatest()
{
    if (!m_latest.isActive())
        m_latest.start(int(std::max<qint64>(0, s_latestMs - m_pendingSince.elapsed())));
}

void DocumentAutosave::cleanChanged(bool clean)
{
    m_clean = clean;
    if (!clean)
        return;
    // Saved (or back at the saved state): the file on disk holds the picture.
    m_penUp.stop();
    m_latest.stop();
    m_pendingSince.invalidate();
    m_savedState = m_document.undoHistory()->state();
    m_writer.discard();
}

void DocumentAutosave::penUpTimeout()
{
    // A stroke has begun since: its end is a change, which starts the wait again.
    if (m_document.drawView()->mousedown()) {
        m_penUp.start(s_penUpMs);
        return;
    }
    autosaveNow();
}

void DocumentAutosave::autosaveNow()
{
    if (!isPending() || m_writer.isWriting())
        return;
    m_penUp.stop();
    m_latest.stop();
    m_pendingSince.invalidate();
    m_writingState = m_document.undoHistory()->state();
    DrawView *view = m_document.drawView();
    autosavefile::Record record;
    record.documentPath = m_document.autosavePath();
    record.title = m_document.autosaveTitle();
    record.time = QDateTime::currentDateTime();
    record.canvasSize = QSize(view->surface().width(), view->surface().height());
    m_writer.write(view->surface().snapshot(), record);
}

void DocumentAutosave::written(const QString &error)
{
    if (m_closed || m_clean)
        return;
    if (error.isEmpty()) {
        m_savedState = m_writingState;
        m_lastError.clear();
    } else {
        if (error != m_lastError)
            m_document.drawView()->flashstatus(tr("Autosave failed: %1").arg(error));
        m_lastError = error;
    }
    if (!isPending())
        return;
    // Changes made while it was written (or a write that failed): the clock runs from now at the
    // latest, and the pen-up wait goes on as it was.
    if (!m_pendingSince.isValid())
        m_pendingSince.start();
    scheduleLatest();
    if (!m_penUp.isActive() && error.isEmpty())
        m_penUp.start(s_penUpMs);
}

} // namespace pennova
