#include "app/autosavewriter.h"

#include "app/autosavestore.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace pennova {

namespace {

    QThreadPool &writerPool()
    {
        static QThreadPool *pool = [] {
            auto *p = new QThreadPool;
            p->setMaxThreadCount(1);
            return p;
        }();
        return *pool;
    }

} // namespace

AutosaveWriter::AutosaveWriter(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
{ }

AutosaveWriter::~AutosaveWriter()
{
    if (!m_keep)
        discard();
}

void AutosaveWriter::write(const CanvasSnapshot &picture, const autosavefile::Record &record)
{
    if (m_writing)
        return;
    m_writing = true;
    m_job = std::make_shared<Job>();
    m_job->path = m_path;
    std::shared_ptr<Job> job = m_job;
    QPointer<AutosaveWriter> owner(this);
    writerPool().start([job, picture, record, owner] {
        const QString error = autosavefile::write(job->path, picture, record);
        // Posted to the application, which outlives every writer: the writer may be gone. A
        // file no longer wanted (the document was saved or closed meanwhile) goes then, on the
        // thread that gave it up, so that no later moment can leave it behind.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [owner, job, error] {
                if (job->unwanted)
                    AutosaveStore::discard(job->path);
                if (!owner || owner->m_job != job)
                    return;
                owner->m_writing = false;
                emit owner->written(job->unwanted ? QString() : error);
            },
            Qt::QueuedConnection);
    });
}

void AutosaveWriter::discard()
{
    if (m_job)
        m_job->unwanted = true;
    if (!m_writing)
        AutosaveStore::discard(m_path);
}

void AutosaveWriter::waitForAll()
{
    writerPool().waitForDone();
}

} // namespace pennova
