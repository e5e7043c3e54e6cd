#pragma once

// Where autosaves live: one folder per running Pennova under the per-user data folder
// (AppLocalDataLocation/autosave/<run>/), each holding a lock file (QLockFile) for as long as its
// program runs and one autosave file per document with unsaved changes. Folders whose lock no
// running program holds are what a crash (or a power cut) left: start-up claims them, taking
// their lock, so that no other Pennova offers them too, and recovers or discards their files.
// Folders of another running Pennova are never read or changed.

#include "app/autosavefile.h"

#include <QList>
#include <QLockFile>
#include <QString>
#include <memory>
#include <vector>

namespace pennova {

class AutosaveStore
{
public:
    // Under `root` (by default the per-user data folder); nothing is made until open().
    explicit AutosaveStore(const QString &root = QString());
    // Unlocks this run's folder and every claimed one, removing those left without autosaves.
    ~AutosaveStore();
    AutosaveStore(const AutosaveStore &) = delete;
    AutosaveStore &operator=(const AutosaveStore &) = delete;

    // Makes this run's folder and takes its lock; false with the reason when it cannot.
    bool open(QString *error = nullptr);
    bool isOpen() const { return m_lock != nullptr; }
    QString folder() const { return m_folder; }

    // A new file name in this run's folder, for one document's autosaves.
    QString newFilePath();

    struct Leftover
    {
        QString file;
        std::optional<autosavefile::Header> header; // none when the file is not readable
        QString error; // why not
    };
    // The autosaves of programs no longer running, oldest first; their folders stay claimed
    // until this store ends.
    QList<Leftover> claimLeftovers();
    // Moves a claimed autosave into this run's folder (it then belongs to a document here) and
    // returns its new path; empty when it cannot be moved.
    QString adopt(const QString &file);
    // Removes a file of this store (an autosave no longer needed).
    static void discard(const QString &file);

private:
    void releaseClaim(const QString &folder, QLockFile &lock);

    QString m_root;
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    int m_nextFile = 1;
    std::vector<std::pair<QString, std::unique_ptr<QLockFile>>> m_claims;
};

} // namespace pennova
