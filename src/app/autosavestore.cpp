#include "app/autosavestore.h"

#include "canvas/atomicfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <algorithm>

namespace pennova {

namespace {

    const QString kLockName = QStringLiteral("lock");

    QString tr(const char *text)
    {
        return QCoreApplication::translate("pennova::AutosaveStore", text);
    }

    // A lock is the program's as long as it runs, however long that is: only a lock whose
    // program has gone counts as stale.
    std::unique_ptr<QLockFile> lockIn(const QString &folder)
    {
        auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(kLockName));
        lock->setStaleLockTime(0);
        return lock;
    }

    QStringList autosavesIn(const QString &folder)
    {
        return QDir(folder).entryList({ QStringLiteral("*.png") }, QDir::Files, QDir::Name);
    }

} // namespace

AutosaveStore::AutosaveStore(const QString &root)
    : m_root(root.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
                            : root)
{
    m_root = QDir(m_root).filePath(QStringLiteral("autosave"));
}

AutosaveStore::~AutosaveStore()
{
    for (auto &[folder, lock] : m_claims)
        releaseClaim(folder, *lock);
    if (m_lock)
        releaseClaim(m_folder, *m_lock);
}

void AutosaveStore::releaseClaim(const QString &folder, QLockFile &lock)
{
    const bool empty = autosavesIn(folder).isEmpty();
    lock.unlock();
    if (empty) {
        // Whatever else is left there (a temporary file of a write that was cut off) goes too.
        QDir(folder).removeRecursively();
    }
}

bool AutosaveStore::open(QString *error)
{
    if (m_lock)
        return true;
    const QString name = QStringLiteral("%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const QString folder = QDir(m_root).filePath(name);
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = tr("the folder “%1” could not be made").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    std::unique_ptr<QLockFile> lock = lockIn(folder);
    if (!lock->tryLock(0)) {
        if (error)
            *error = tr("its lock could not be taken");
        return false;
    }
    m_folder = folder;
    m_lock = std::move(lock);
    return true;
}

QString AutosaveStore::newFilePath()
{
    return QDir(m_folder).filePath(QStringLiteral("%1.png").arg(m_nextFile++));
}

QList<AutosaveStore::Leftover> AutosaveStore::claimLeftovers()
{
    QList<Leftover> found;
    const QFileInfoList folders = QDir(m_root).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Time | QDir::Reversed);
    for (const QFileInfo &info : folders) {
        const QString folder = info.absoluteFilePath();
        if (folder == m_folder
            || std::any_of(m_claims.begin(), m_claims.end(),
                [&](const auto &claim) { return claim.first == folder; }))
            continue;
        // A folder whose lock is held belongs to a Pennova that is running: left alone. So is a
        // new one without a lock yet: a Pennova starting at this moment.
        if (!QFileInfo::exists(QDir(folder).filePath(kLockName))
            && info.lastModified().secsTo(QDateTime::currentDateTime()) < 60)
            continue;
        std::unique_ptr<QLockFile> lock = lockIn(folder);
        if (!lock->tryLock(0))
            continue;
        for (const QString &name : autosavesIn(folder)) {
            Leftover leftover;
            leftover.file = QDir(folder).filePath(name);
            leftover.header = autosavefile::readHeader(leftover.file, &leftover.error);
            found << leftover;
        }
        m_claims.emplace_back(folder, std::move(lock));
    }
    std::stable_sort(found.begin(), found.end(), [](const Leftover &a, const Leftover &b) {
        const QDateTime ta = a.header ? a.header->record.time : QDateTime();
        const QDateTime tb = b.header ? b.header->record.time : QDateTime();
        return ta < tb;
    });
    return found;
}

QString AutosaveStore::adopt(const QString &file)
{
    if (!m_lock)
        return QString();
    const QString target = newFilePath();
    return QFile::rename(file, target) ? target : QString();
}

void AutosaveStore::discard(const QString &file)
{
    if (!file.isEmpty())
        QFile::remove(file);
}

} // namespace pennova
