#pragma once

#include <QByteArray>
#include <QString>

// The body of one download on its way to disk. Chunks are written straight
// into a hidden temporary file inside the download folder as they arrive, so
// memory use does not grow with the body; commit() then moves the file onto
// its final name in one step, so the target appears only complete, and an
// existing file is either replaced whole or left untouched. Unless committed,
// the temporary file is removed by discard() or the destructor, whatever
// ended the download.
//
// The first failure is kept: after a failed open() or append() the later
// calls do nothing and return false, and commit() reports that first error.
// A caller can therefore read the body to its end regardless and check once.
class DownloadFile {
public:
    // Removes the temporary files in folder that no running download holds:
    // those of a program that was killed while downloading.
    static void RemoveLeftovers(const QString &folder);

    DownloadFile() = default;
    ~DownloadFile();
    DownloadFile(const DownloadFile &) = delete;
    DownloadFile &operator=(const DownloadFile &) = delete;

    // Creates the temporary file in folder (a closing "/" is optional),
    // dropping any earlier one; clears an earlier error.
    bool open(const QString &folder);
    // Writes chunk at the end of the file.
    bool append(const QByteArray &chunk);
    // Closes the file and gives it the name targetPath. Without
    // replaceExisting an existing entry of that name is never overwritten
    // (the commit fails instead); with it, the entry is replaced atomically.
    // The temporary file is gone afterwards, whether this succeeds or not.
    bool commit(const QString &targetPath, bool replaceExisting);
    // Removes the temporary file and forgets the data written so far.
    void discard();

    // Bytes written so far; 0 once the data has been discarded (also after a failure).
    qint64 size() const { return size_; }
    // The reason of the first failure (see download::FileErrorText); empty when none.
    QString errorString() const { return error_; }

private:
    bool fail(int error);
    bool moveInto(const QByteArray &target, bool replaceExisting);

    int fd_ = -1;
    QByteArray tempPath_; // in the file system's encoding; empty when there is no temporary file
    qint64 size_ = 0;
    QString error_;
};
