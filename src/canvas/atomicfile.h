#pragma once

// Writing a file whole or not at all. What the caller writes goes to a temporary file beside the
// target; only when every write, the final flush and the sync to disk succeeded does it replace
// the target, and the result is then read back (its size and first bytes) before the write
// counts as done. A target that exists but is not a regular file (a device, a pipe, a socket, or
// a link to one) is refused before anything is written. Failures come back as a clause to set
// into a sentence ("the disk is full (no space left on device)"), never as a throw.

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

namespace pennova::atomicfile {

// Writes what the file should hold into `device`. Returns false when it cannot, with its reason
// in `error` (which may stay empty when the device itself refused a write: the device's reason
// is reported then).
using Writer = std::function<bool(QIODevice &device, QString &error)>;

// Returns an empty string on success, else why it failed; the file at `path` is then as it was,
// byte for byte. The one exception is a file that was put in place but does not read back as
// written: then `replaced` (when given) is set, which it is also on success.
QString writeFile(const QString &path, const Writer &writer, bool *replaced = nullptr);
QString writeFile(const QString &path, const QByteArray &bytes, bool *replaced = nullptr);

// Why `path` may not be written, decided without opening it: it is a folder, or exists and is
// not a regular file (links followed). Empty when it may be written.
QString refuseTarget(const QString &path);

// A system's error text (as Qt reports it from the C library) as a clause for the user: the
// causes a user can act on are named plainly (a full disk, a used-up quota, a file size limit, a
// read-only disk), others are kept with a lower-case first letter.
QString describeError(const QString &systemText);

} // namespace pennova::atomicfile
