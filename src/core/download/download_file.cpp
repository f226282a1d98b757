#include "core/download/download_file.h"

#include "core/download/download_text.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Hidden, and plainly not a finished download: ".tobrell-" six random
// letters or digits ".part".
QByteArray TemporaryName()
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name = QByteArrayLiteral(".tobrell-");
    for (int i = 0; i < 6; ++i)
        name += kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet) - 1)];
    return name + QByteArrayLiteral(".part");
}

} // namespace

void DownloadFile::RemoveLeftovers(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral(".tobrell-??????.part")}, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &name : names) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        // Locked: another instance is downloading into it right now.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}

DownloadFile::~DownloadFile()
{
    discard();
}

bool DownloadFile::open(const QString &folder)
{
    discard();
    error_.clear();
    const QByteArray nativeFolder = QFile::encodeName(folder.endsWith(u'/') ? folder : folder + u'/');
    // O_EXCL makes the name ours; a clash with another file just means another try.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray path = nativeFolder + TemporaryName();
        // 0666 lets the umask decide the final file's permissions, as for any new file.
        fd_ = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            tempPath_ = path;
            // The lock marks the file as one a running download writes; it
            // goes with the process however that ends.
            if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
                return fail(errno);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    return fail(errno);
}

bool DownloadFile::append(const QByteArray &chunk)
{
    if (fd_ < 0)
        return fail(EBADF);
    const char *data = chunk.constData();
    qint64 left = chunk.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        data += written;
        left -= written;
        size_ += written;
    }
    return true;
}

bool DownloadFile::commit(const QString &targetPath, bool replaceExisting)
{
    if (fd_ < 0)
        return fail(EBADF);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
        return fail(errno);
    if (!moveInto(QFile::encodeName(targetPath), replaceExisting))
        return fail(errno);
    tempPath_.clear();
    return true;
}

bool DownloadFile::moveInto(const QByteArray &target, bool replaceExisting)
{
    if (replaceExisting)
        return ::rename(tempPath_.constData(), target.constData()) == 0;
    if (::renameat2(AT_FDCWD, tempPath_.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without RENAME_NOREPLACE: link() refuses an existing
    // target just the same; the temporary name is then dropped.
    if (::link(tempPath_.constData(), target.constData()) != 0)
        return false;
    ::unlink(tempPath_.constData());
    return true;
}

void DownloadFile::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!tempPath_.isEmpty())
        ::unlink(tempPath_.constData());
    tempPath_.clear();
    size_ = 0;
}

bool DownloadFile::fail(int error)
{
    // The temporary file goes at once: after a full disk that frees the space.
    discard();
    if (error_.isEmpty())
        error_ = download::FileErrorText(error);
    return false;
}
