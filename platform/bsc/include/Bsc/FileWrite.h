#pragma once

#include <QByteArray>
#include <QString>

namespace Bsc {

// The one way the application writes a file: whole or not at all.
//
// The new contents go to a file of their own in the target's folder (a file
// without a name where the folder's file system allows, else a hidden
// temporary) and take the target's place by a rename once every byte is
// written, flushed to the disk and the file closed without error. Whatever
// happens before (a failed write, a full disk, a file size limit, the
// process ending), the target keeps its old contents, and a file without a
// name leaves nothing behind.
//
// A target that exists must be a regular file, or a symbolic link to one:
// the link is kept and its file replaced. A folder, a FIFO, a device or a
// socket is refused and left as it is; so is a file the process may not
// write, and a path holding a NUL character.
//
// A process that has not chosen what a file size limit does (SIGXFSZ at
// its default, which ends the process) ignores it from the first write on,
// as Python does: a write past the limit fails with EFBIG instead.
class FileWrite
{
public:
    // For writers that open the file by its name themselves (an encoder
    // given a path): the temporary then has a name, ending in the target's
    // suffix, and the writer writes it through temporaryPath().
    enum Kind { Contents, Named };

    explicit FileWrite(const QString& path, Kind kind = Contents);
    // Without commit(), the temporary goes and the target stays as it was.
    ~FileWrite();
    FileWrite(const FileWrite&) = delete;
    FileWrite& operator=(const FileWrite&) = delete;

    // False, with the reason in errorString(), once anything failed.
    bool isOpen() const;
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& data) { return write(data.constData(), data.size()); }
    // The file a Named write is written through.
    QString temporaryPath() const;
    // Flushes, closes and puts the file in the target's place.
    bool commit();
    // Gives the write up for a reason of the writer's (a Named file that
    // does not read back): the target stays as it was. Returns false.
    bool fail(const QString& reason);
    // "Cannot write '<path>': <reason>", naming the path as it was given.
    QString errorString() const;
    // Only the reason.
    QString reason() const;

private:
    struct State;
    State* m_state;
};

// Writes `contents` at `path` with a FileWrite; false with the reason in
// `error` ("Cannot write '<path>': <reason>") when it could not.
bool writeFile(const QString& path, const QByteArray& contents, QString* error = nullptr);

} // namespace Bsc
