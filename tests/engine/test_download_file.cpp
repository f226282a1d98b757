#include "engine/download_file.h"
#include "support/sample_data.h"

#include <QtTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

using testdata::Entries;
using testdata::ReadFile;
using testdata::WriteFile;

class TestDownloadFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void streamsIntoHiddenFileThenCommits();
    void commitOntoExistingEntry_data();
    void commitOntoExistingEntry();
    void temporaryFileRemoved();
    void failuresAreKeptAndReported();

private:
    std::optional<QTemporaryDir> dir_;
    QString folder_;
};

void TestDownloadFile::init()
{
    dir_.emplace();
    QVERIFY(dir_->isValid());
    folder_ = dir_->path() + u'/';
}

void TestDownloadFile::streamsIntoHiddenFileThenCommits()
{
    const mode_t savedMask = ::umask(022);
    DownloadFile file;
    QVERIFY(file.open(folder_));
    qint64 sent = 0;
    for (const int size : {1, 0, 70000, 65536}) {
        QVERIFY(file.append(testdata::Pattern(sent, size)));
        sent += size;
    }
    // Written through at once, into one hidden file of the folder.
    const QStringList entries = Entries(folder_);
    QVERIFY(entries.size() == 1 && entries[0].startsWith(u'.'));
    QCOMPARE(QFileInfo(folder_ + entries[0]).size(), sent);
    QCOMPARE(file.size(), sent);
    const QString target = folder_ + QStringLiteral("file.bin");
    QVERIFY(file.commit(target, false));
    QCOMPARE(Entries(folder_), QStringList{QStringLiteral("file.bin")});
    QCOMPARE(ReadFile(target), testdata::Pattern(0, sent));
    // A new file's usual permissions, not a temporary file's private ones.
    struct stat status;
    QVERIFY(::stat(QFile::encodeName(target).constData(), &status) == 0 && (status.st_mode & 0777) == 0644);
    ::umask(savedMask);
}

void TestDownloadFile::commitOntoExistingEntry_data()
{
    QTest::addColumn<bool>("link");
    QTest::addColumn<bool>("replace");
    QTest::newRow("longer file, keep it") << false << false;
    QTest::newRow("longer file, replace it") << false << true;
    // A symbolic link is kept or replaced itself; the data never goes through it.
    QTest::newRow("link, keep it") << true << false;
    QTest::newRow("link, replace it") << true << true;
}

void TestDownloadFile::commitOntoExistingEntry()
{
    QFETCH(bool, link);
    QFETCH(bool, replace);
    const QString target = folder_ + QStringLiteral("file.zip");
    const QString old = link ? folder_ + QStringLiteral("old.zip") : target;
    const QByteArray oldBytes(300000, 'o');
    QVERIFY(WriteFile(old, oldBytes) && (!link || QFile::link(old, target)));

    DownloadFile file;
    QVERIFY(file.open(folder_) && file.append("new"));
    QCOMPARE(file.commit(target, replace), replace);
    QCOMPARE(file.errorString().isEmpty(), replace);
    QCOMPARE(ReadFile(target), replace ? QByteArray("new") : oldBytes);
    QCOMPARE(QFileInfo(target).isSymLink(), link && !replace);
    if (link)
        QCOMPARE(ReadFile(old), oldBytes);
    // The temporary file is gone either way.
    QCOMPARE(Entries(folder_).size(), link ? 2 : 1);
}

// Whichever way an uncommitted download ends, its temporary file goes.
void TestDownloadFile::temporaryFileRemoved()
{
    {
        DownloadFile discarded;
        DownloadFile reopened;
        QVERIFY(discarded.open(folder_) && discarded.append(QByteArray(100000, 'x')));
        QVERIFY(reopened.open(folder_) && reopened.append(QByteArray(100000, 'x')) && reopened.open(folder_));
        discarded.discard();
        QCOMPARE(discarded.size() + reopened.size(), 0);
        QCOMPARE(Entries(folder_).size(), 1);
    }
    QCOMPARE(Entries(folder_), QStringList());
}

// A write that fails midway (as on a full disk) or a missing folder is kept
// until the commit, which fails with that reason and leaves the target alone.
void TestDownloadFile::failuresAreKeptAndReported()
{
    const QString target = folder_ + QStringLiteral("file.bin");
    QVERIFY(WriteFile(target, "old"));
    DownloadFile full;
    QVERIFY(full.open(folder_));
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lowered{100000, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    const bool first = full.append(QByteArray(65536, 'a'));
    const bool second = full.append(QByteArray(65536, 'b'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
    QVERIFY(first && !second);

    DownloadFile missing;
    QVERIFY(!missing.open(folder_ + QStringLiteral("gone/")));
    for (DownloadFile *file : {&full, &missing}) {
        const QString reason = file->errorString();
        QVERIFY(!reason.isEmpty());
        QVERIFY(!file->append("more"));
        QVERIFY(!file->commit(target, true));
        QCOMPARE(file->errorString(), reason);
    }
    QCOMPARE(Entries(folder_), QStringList{QStringLiteral("file.bin")});
    QCOMPARE(ReadFile(target), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestDownloadFile)
#include "test_download_file.moc"
