#include "core/download/download_file.h"

#include "core/download/download_text.h"
#include "core/download/file_naming.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr char kTemporaryPrefix[] = ".tobrell-";
constexpr int kRandomLetters = 5;
// What comes before the name the download is meant to have: the prefix, the
// random letters and "-".
constexpr qsizetype kFrameLength = sizeof kTemporaryPrefix - 1 + kRandomLetters + 1;
static_assert(naming::kMaxNameBytes + kFrameLength <= NAME_MAX);

// Hidden, and plainly not a finished download: ".tobrell-" five random
// letters or digits, "-" and name.
QString TemporaryName(const QString &name)
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString result = QLatin1StringView(kTemporaryPrefix);
    for (int i = 0; i < kRandomLetters; ++i)
        result += QLatin1Char(kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet) - 1)]);
    return result + u'-' + name;
}

// Renames from to to; without replace an existing entry called to is never
// overwritten (false, errno EEXIST).
bool Move(const QByteArray &from, const QByteArray &to, bool replace)
{
    if (replace)
        return ::rename(from.constData(), to.constData()) == 0;
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without RENAME_NOREPLACE: link() refuses an existing
    // target just the same; the temporary name is then dropped.
    if (::link(from.constData(), to.constData()) != 0)
        return false;
    ::unlink(from.constData());
    return true;
}

// Gives the temporary file tempName in folder, open as fd and locked by the
// caller, the name it was meant to have, or its first free variant; removes
// it when it holds nothing. Returns the path it now has; empty when none.
QString KeepPartial(int fd, const QString &folder, const QString &tempName)
{
    const QByteArray temp = QFile::encodeName(folder + tempName);
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return {};
    if (status.st_size == 0) {
        ::unlink(temp.constData());
        return {};
    }
    const QString meant = tempName.mid(kFrameLength);
    const std::optional<QString> name
        = naming::EntryExists(folder + meant) ? naming::MakeNewFilename(folder, meant) : meant;
    // A name taken in the meantime is not replaced: the body waits for the next start.
    if (!name || !Move(temp, QFile::encodeName(folder + *name), false))
        return {};
    return folder + *name;
}

// The downloads of this process that have a temporary file, for the exit.
QList<DownloadFile *> &OpenFiles()
{
    // Never destroyed: it is read by a handler that runs at exit.
    static auto *files = new QList<DownloadFile *>;
    return *files;
}

} // namespace

QStringList DownloadFile::KeepLeftovers(const QString &folder)
{
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    const QString pattern
        = QLatin1StringView(kTemporaryPrefix) + QString(kRandomLetters, u'?') + QStringLiteral("-*");
    const QStringList names = QDir(base).entryList({pattern}, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    QStringList kept;
    for (const QString &name : names) {
        const QByteArray path = QFile::encodeName(base + name);
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        // Locked: another instance is downloading into it right now.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (const QString keptAs = KeepPartial(fd, base, name); !keptAs.isEmpty())
                kept << keptAs;
        }
        ::close(fd);
    }
    return kept;
}

void DownloadFile::KeepOpenFilesAtExit()
{
    // exit() unwinds no stack, so no download ends the normal way: each
    // keeps what it received, as a release would.
    for (DownloadFile *file : OpenFiles()) {
        if (file->fd_ >= 0)
            KeepPartial(file->fd_, file->folder_, file->tempName_);
    }
}

DownloadFile::~DownloadFile()
{
    discard();
}

bool DownloadFile::open(const QString &folder, const QString &name)
{
    discard();
    error_.clear();
    [[maybe_unused]] static const int atExit = std::atexit(KeepOpenFilesAtExit);
    folder_ = folder.endsWith(u'/') ? folder : folder + u'/';
    // O_EXCL makes the name ours; a clash with another file just means another try.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString tempName = TemporaryName(name);
        // 0666 lets the umask decide the final file's permissions, as for any new file.
        const QByteArray path = QFile::encodeName(folder_ + tempName);
        fd_ = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            tempName_ = tempName;
            OpenFiles().append(this);
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
    // Closed first, so that a late write error is seen before the file takes
    // its name. Until the move the file is unlocked: another instance that
    // starts at that very moment keeps it as a leftover under its own name,
    // and the move here then fails; nothing is lost either way.
    if (!close())
        return fail(errno);
    if (!Move(QFile::encodeName(folder_ + tempName_), QFile::encodeName(targetPath), replaceExisting))
        return fail(errno);
    forgetTemporaryFile();
    return true;
}

void DownloadFile::discard()
{
    close();
    if (!tempName_.isEmpty())
        ::unlink(QFile::encodeName(folder_ + tempName_).constData());
    forgetTemporaryFile();
    size_ = 0;
}

bool DownloadFile::close()
{
    const int fd = std::exchange(fd_, -1);
    return fd < 0 || ::close(fd) == 0;
}

void DownloadFile::forgetTemporaryFile()
{
    tempName_.clear();
    OpenFiles().removeOne(this);
}

bool DownloadFile::fail(int error)
{
    // The temporary file goes at once: after a full disk that frees the space.
    discard();
    if (error_.isEmpty())
        error_ = download::FileErrorText(error);
    return false;
}
