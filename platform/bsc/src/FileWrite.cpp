#include "Bsc/FileWrite.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Bsc {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("FileWrite", text);
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// SIGXFSZ at its default ends the process at a write past the file size
// limit; ignored, the write fails with EFBIG and is reported.
void ignoreFileSizeSignal()
{
    struct sigaction current = {};
    if (sigaction(SIGXFSZ, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO)
        && current.sa_handler == SIG_DFL)
        std::signal(SIGXFSZ, SIG_IGN);
}

QByteArray folderOf(const QByteArray& path)
{
    const int slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// A name no file of the folder is likely to have: hidden, after the
// target's name, ending in `suffix`.
QByteArray temporaryName(const QByteArray& folder, const QByteArray& target, const QByteArray& suffix)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray random(8, '\0');
    for (char& c : random)
        c = letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    // The longest name a folder holds is 255 bytes.
    const QByteArray name = nameOf(target).left(200);
    return folder + '/' + '.' + name + '.' + random + suffix;
}

} // namespace

struct FileWrite::State
{
    QString path;       // as given
    QByteArray target;  // the file replaced: the path, or the file its links lead to
    QByteArray temporary;
    int fd = -1;
    bool named = false; // the temporary has its name from the start
    bool placed = false; // linked straight in the target's place
    bool committed = false;
    QString reason;

    bool fail(const QString& why)
    {
        if (reason.isEmpty())
            reason = why;
        return false;
    }
    bool failSystem(int error) { return fail(systemReason(error)); }
    bool failed() const { return !reason.isEmpty(); }

    // Follows the path's links to the file it names, which must be a
    // regular file the process may write, or nothing yet.
    bool findTarget(const QString& given)
    {
        if (given.isEmpty())
            return failSystem(ENOENT);
        if (given.contains(QChar(0)))
            return fail(tr("The name holds a NUL character"));
        target = QFile::encodeName(given);
        for (int links = 0; links <= 40; ++links) {
            struct stat status = {};
            if (lstat(target.constData(), &status) != 0)
                return errno == ENOENT || failSystem(errno);
            if (S_ISREG(status.st_mode))
                return access(target.constData(), W_OK) == 0 || failSystem(errno);
            if (S_ISDIR(status.st_mode))
                return failSystem(EISDIR);
            if (!S_ISLNK(status.st_mode))
                return fail(tr("It is not a regular file"));
            char link[PATH_MAX];
            const ssize_t size = readlink(target.constData(), link, sizeof link);
            if (size < 0 || size == ssize_t(sizeof link))
                return failSystem(size < 0 ? errno : ENAMETOOLONG);
            const QByteArray to(link, int(size));
            target = to.startsWith('/') ? to : folderOf(target) + '/' + to;
        }
        return failSystem(ELOOP);
    }

    // A file without a name where the file system makes one and /proc can
    // give it a name later; else a hidden file beside the target.
    bool openTemporary(const QByteArray& suffix)
    {
        const QByteArray folder = folderOf(target);
        if (!named && access("/proc/self/fd", X_OK) == 0) {
            fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd >= 0)
                return keepMode();
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return failSystem(errno);
        }
        named = true;
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary = temporaryName(folder, target, suffix);
            fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
                return keepMode();
            if (errno != EEXIST)
                break;
        }
        temporary.clear();
        return failSystem(errno);
    }

    // A replaced file keeps its permissions.
    bool keepMode()
    {
        struct stat status = {};
        if (stat(target.constData(), &status) == 0 && fchmod(fd, status.st_mode & 07777) != 0)
            return failSystem(errno);
        return true;
    }

    // Gives the file without a name a name: the target's own when there is
    // no target yet (nothing is then left to rename, and no temporary to
    // leave behind), else a temporary that the rename moves over the target.
    bool link()
    {
        if (named)
            return true;
        const QByteArray open = "/proc/self/fd/" + QByteArray::number(fd);
        if (linkat(AT_FDCWD, open.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) == 0) {
            placed = true;
            return true;
        }
        if (errno != EEXIST)
            return failSystem(errno);
        const QByteArray folder = folderOf(target);
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary = temporaryName(folder, target, QByteArray());
            if (linkat(AT_FDCWD, open.constData(), AT_FDCWD, temporary.constData(), AT_SYMLINK_FOLLOW) == 0)
                return true;
            if (errno != EEXIST)
                break;
        }
        const int error = errno;
        temporary.clear();
        return failSystem(error);
    }

    bool close()
    {
        const int closing = fd;
        fd = -1;
        return ::close(closing) == 0 || errno == EINTR || failSystem(errno);
    }
};

FileWrite::FileWrite(const QString& path, Kind kind) : m_state(new State)
{
    ignoreFileSizeSignal();
    m_state->path = path;
    m_state->named = kind == Named;
    const QString suffix = QFileInfo(path).suffix();
    if (m_state->findTarget(path))
        m_state->openTemporary(suffix.isEmpty() ? QByteArray() : '.' + QFile::encodeName(suffix));
}

FileWrite::~FileWrite()
{
    if (m_state->fd >= 0)
        ::close(m_state->fd);
    if (!m_state->committed && !m_state->temporary.isEmpty())
        unlink(m_state->temporary.constData());
    delete m_state;
}

bool FileWrite::isOpen() const
{
    return !m_state->failed() && !m_state->committed;
}

bool FileWrite::write(const char* data, qint64 size)
{
    if (!isOpen())
        return false;
    while (size > 0) {
        const ssize_t written = ::write(m_state->fd, data, std::size_t(std::min<qint64>(size, 1 << 30)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return m_state->failSystem(written < 0 ? errno : EIO);
        data += written;
        size -= written;
    }
    return true;
}

QString FileWrite::temporaryPath() const
{
    return m_state->named ? QFile::decodeName(m_state->temporary) : QString();
}

bool FileWrite::commit()
{
    State& s = *m_state;
    if (!isOpen())
        return false;
    if (fdatasync(s.fd) != 0)
        return s.failSystem(errno);
    if (!s.link())
        return false;
    if (!s.close()) {
        if (s.placed) // nothing was there before
            unlink(s.target.constData());
        return false;
    }
    if (!s.placed && rename(s.temporary.constData(), s.target.constData()) != 0)
        return s.failSystem(errno);
    s.committed = true;
    return true;
}

bool FileWrite::fail(const QString& reason)
{
    return m_state->fail(reason);
}

QString FileWrite::errorString() const
{
    return tr("Cannot write '%1': %2").arg(m_state->path, m_state->reason);
}

QString FileWrite::reason() const
{
    return m_state->reason;
}

bool writeFile(const QString& path, const QByteArray& contents, QString* error)
{
    FileWrite file(path);
    if (file.write(contents) && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace Bsc
