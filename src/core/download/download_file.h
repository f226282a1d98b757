#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The body of one download on its way to disk. Chunks are written straight
// into a hidden temporary file inside the download folder as they arrive, so
// memory use does not grow with the body; commit() then moves the file onto
// its final name in one step, so the target appears only complete, and an
// existing file is either replaced whole or left untouched. Unless committed,
// the temporary file is removed by discard() or the destructor.
//
// The temporary file's name carries the name the download is meant to have
// (".tobrell-" five random letters or digits "-" and that name), so that what
// a program that ended in the middle of a download left behind can still be
// given its name: at once when the program ends through exit() (as Qt's X11
// connection does when the display goes away), by KeepLeftovers() at the next
// start when nothing could run (killed, the power gone).
//
// The first failure is kept: after a failed open() or append() the later
// calls do nothing and return false, and commit() reports that first error.
// A caller can therefore read the body to its end regardless and check once.
class DownloadFile {
public:
    // Gives every body that an ended program left in folder (one that no
    // running download holds) the name it was meant to have, or its first free
    // variant when that is taken, without ever replacing an entry; one that
    // holds no byte is removed. Returns the paths the bodies were kept under.
    static QStringList KeepLeftovers(const QString &folder);

    DownloadFile() = default;
    ~DownloadFile();
    DownloadFile(const DownloadFile &) = delete;
    DownloadFile &operator=(const DownloadFile &) = delete;

    // Creates the temporary file in folder (a closing "/" is optional) for a
    // download meant to be saved as name (at most naming::kMaxNameBytes bytes),
    // dropping any earlier one; clears an earlier error.
    bool open(const QString &folder, const QString &name);
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
    static void KeepOpenFilesAtExit();
    bool fail(int error);
    // Closes the file descriptor; false (errno set) when closing failed.
    bool close();
    void forgetTemporaryFile();

    int fd_ = -1;
    QString folder_; // with its closing "/"; where the temporary file is
    QString tempName_; // its name; empty when there is no temporary file
    qint64 size_ = 0;
    QString error_;
};
