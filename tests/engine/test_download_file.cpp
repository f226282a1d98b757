#include "engine/download_file.h"

#include <QtTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray Bytes(qsizetype size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7);
    return bytes;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every entry of the folder, hidden ones included.
QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Lowers the largest file size this process may write, so that a write fails
// the way it does on a full disk; undone when the object goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lowered{bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace

class TestDownloadFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void streamsIntoHiddenFileThenCommits_data();
    void streamsIntoHiddenFileThenCommits();
    void commitOntoExistingEntry_data();
    void commitOntoExistingEntry();
    void replacingALinkDoesNotWriteThroughIt();
    void temporaryFileRemoved_data();
    void temporaryFileRemoved();
    void missingFolder();
    void failedWrite();

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

void TestDownloadFile::streamsIntoHiddenFileThenCommits_data()
{
    QTest::addColumn<QList<int>>("chunks");

    QTest::newRow("empty body") << QList<int>{};
    QTest::newRow("200,000 bytes") << QList<int>{65536, 65536, 65536, 3392};
    QTest::newRow("odd sizes") << QList<int>{1, 0, 70000, 5};
}

void TestDownloadFile::streamsIntoHiddenFileThenCommits()
{
    QFETCH(QList<int>, chunks);
    const mode_t savedMask = ::umask(022);

    DownloadFile file;
    QVERIFY(file.open(folder_));
    QByteArray sent;
    for (const int size : chunks) {
        const QByteArray chunk = Bytes(size, char(sent.size()));
        QVERIFY(file.append(chunk));
        sent += chunk;
        // Written through at once, into one hidden file of the folder.
        const QStringList entries = Entries(folder_);
        QCOMPARE(entries.size(), 1);
        QVERIFY(entries.first().startsWith(u'.'));
        QCOMPARE(QFileInfo(folder_ + entries.first()).size(), sent.size());
    }
    QCOMPARE(file.size(), sent.size());

    QVERIFY(file.commit(folder_ + QStringLiteral("file.bin"), false));
    QCOMPARE(Entries(folder_), QStringList{QStringLiteral("file.bin")});
    QCOMPARE(ReadFile(folder_ + QStringLiteral("file.bin")), sent);
    // A new file's usual permissions, not a temporary file's private ones.
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(folder_ + QStringLiteral("file.bin")).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, mode_t(0644));
    QVERIFY(file.errorString().isEmpty());
    ::umask(savedMask);
}

void TestDownloadFile::commitOntoExistingEntry_data()
{
    QTest::addColumn<bool>("replace");
    QTest::addColumn<bool>("existingIsFolder");
    QTest::addColumn<bool>("committed");

    QTest::newRow("longer file, keep it") << false << false << false;
    QTest::newRow("longer file, replace it") << true << false << true;
    QTest::newRow("folder, keep it") << false << true << false;
    QTest::newRow("folder, replace it") << true << true << false;
}

void TestDownloadFile::commitOntoExistingEntry()
{
    QFETCH(bool, replace);
    QFETCH(bool, existingIsFolder);
    QFETCH(bool, committed);

    const QString target = folder_ + QStringLiteral("file.zip");
    const QByteArray old = Bytes(300000, 'o');
    if (existingIsFolder) {
        QVERIFY(QDir(folder_).mkdir(QStringLiteral("file.zip")));
        QVERIFY(WriteFile(target + QStringLiteral("/inside"), old));
    } else {
        QVERIFY(WriteFile(target, old));
    }

    const QByteArray fresh = Bytes(1000, 'n');
    DownloadFile file;
    QVERIFY(file.open(folder_));
    QVERIFY(file.append(fresh));
    QCOMPARE(file.commit(target, replace), committed);
    QCOMPARE(file.errorString().isEmpty(), committed);

    if (committed)
        QCOMPARE(ReadFile(target), fresh);
    else if (existingIsFolder)
        QCOMPARE(ReadFile(target + QStringLiteral("/inside")), old);
    else
        QCOMPARE(ReadFile(target), old);
    QCOMPARE(Entries(folder_), QStringList{QStringLiteral("file.zip")});
}

// A symbolic link in the folder must not lead the data anywhere else.
void TestDownloadFile::replacingALinkDoesNotWriteThroughIt()
{
    const QString outside = dir_->filePath(QStringLiteral("outside"));
    QVERIFY(QFile::link(outside, folder_ + QStringLiteral("file.zip")));

    DownloadFile keep;
    QVERIFY(keep.open(folder_));
    QVERIFY(!keep.commit(folder_ + QStringLiteral("file.zip"), false));
    QVERIFY(QFileInfo(folder_ + QStringLiteral("file.zip")).isSymLink());

    DownloadFile replace;
    QVERIFY(replace.open(folder_));
    QVERIFY(replace.append("new"));
    QVERIFY(replace.commit(folder_ + QStringLiteral("file.zip"), true));
    QVERIFY(!QFileInfo(folder_ + QStringLiteral("file.zip")).isSymLink());
    QVERIFY(!QFile::exists(outside));
}

void TestDownloadFile::temporaryFileRemoved_data()
{
    QTest::addColumn<QString>("ending");

    QTest::newRow("discard") << "discard";
    QTest::newRow("destructor") << "destructor";
    QTest::newRow("failed commit") << "failed commit";
    QTest::newRow("reopened") << "reopened";
}

void TestDownloadFile::temporaryFileRemoved()
{
    QFETCH(QString, ending);
    {
        DownloadFile file;
        QVERIFY(file.open(folder_));
        QVERIFY(file.append(Bytes(100000, 'x')));
        QCOMPARE(Entries(folder_).size(), 1);
        if (ending == u"discard") {
            file.discard();
            QCOMPARE(file.size(), 0);
            QVERIFY(!file.append("more"));
        } else if (ending == u"failed commit") {
            QVERIFY(!file.commit(folder_ + QStringLiteral("no such folder/file.bin"), true));
            QVERIFY(!file.errorString().isEmpty());
        } else if (ending == u"reopened") {
            QVERIFY(file.open(folder_));
            QCOMPARE(Entries(folder_).size(), 1);
            QCOMPARE(file.size(), 0);
            file.discard();
        }
        if (ending != u"destructor")
            QCOMPARE(Entries(folder_), QStringList());
    }
    QCOMPARE(Entries(folder_), QStringList());
}

// Without its folder nothing can be written; every later call says so and
// no file appears anywhere.
void TestDownloadFile::missingFolder()
{
    const QString missing = folder_ + QStringLiteral("gone/");
    DownloadFile file;
    QVERIFY(!file.open(missing));
    const QString reason = file.errorString();
    QVERIFY(reason.contains(QStringLiteral("フォルダが見つかりません。")));
    QVERIFY(!file.append("data"));
    QVERIFY(!file.commit(missing + QStringLiteral("file.bin"), true));
    QCOMPARE(file.errorString(), reason);
    QCOMPARE(Entries(folder_), QStringList());
}

// A write that fails midway (as on a full disk) keeps its reason until the
// commit, which fails without creating or touching the target.
void TestDownloadFile::failedWrite()
{
    const QString target = folder_ + QStringLiteral("file.bin");
    QVERIFY(WriteFile(target, "old"));
    DownloadFile file;
    QVERIFY(file.open(folder_));
    {
        const FileSizeLimit limit(100000);
        QVERIFY(file.append(Bytes(65536, 'a')));
        QVERIFY(!file.append(Bytes(65536, 'b')));
    }
    const QString reason = file.errorString();
    QVERIFY(!reason.isEmpty());
    QCOMPARE(Entries(folder_), QStringList{QStringLiteral("file.bin")});
    QVERIFY(!file.append(Bytes(10, 'c')));
    QVERIFY(!file.commit(target, true));
    QCOMPARE(file.errorString(), reason);
    QCOMPARE(ReadFile(target), QByteArray("old"));
}

QTEST_GUILESS_MAIN(TestDownloadFile)
#include "test_download_file.moc"
