#include "engine/download_file.h"
#include "support/sample_data.h"

#include <QtTest>

#include <optional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace testdata;

class TestDownloadFile : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> dir_;
    QString folder_;
    QString target_;

private Q_SLOTS:
    void init()
    {
        dir_.emplace();
        folder_ = dir_->path() + u'/';
        target_ = folder_ + "file.bin"_L1;
    }

    // What a killed download left goes at start; a running download's file and the user's own stay.
    void leftoversOfKilledDownloadsGo()
    {
        DownloadFile running;
        QVERIFY(running.open(folder_) && running.append("live"));
        const QStringList live = Entries(folder_);
        QVERIFY(WriteFile(folder_ + ".tobrell-Ab3xYz.part"_L1, "killed") && WriteFile(folder_ + ".tobrell-notes.txt"_L1, "mine"));
        DownloadFile::RemoveLeftovers(folder_);
        QStringList left = Entries(folder_), kept = QStringList(live) << u".tobrell-notes.txt"_s;
        left.sort();
        kept.sort();
        QCOMPARE(left, kept);
        QVERIFY(running.commit(target_, false));
        QCOMPARE(ReadFile(target_), QByteArray("live"));
    }

    void streamsIntoHiddenFileThenCommits()
    {
        const mode_t savedMask = ::umask(022);
        // An uncommitted download's temporary file goes when the file is opened again.
        DownloadFile file;
        QVERIFY(file.open(folder_) && file.append("x") && file.open(folder_));
        qint64 sent = 0;
        for (const int size : {1, 0, 70000, 65536}) {
            QVERIFY(file.append(Pattern(sent, size)));
            sent += size;
        }
        // Written through at once, into one hidden file of the folder.
        const QStringList entries = Entries(folder_);
        QVERIFY(entries.size() == 1 && entries[0].startsWith(u'.'));
        QCOMPARE(QFileInfo(folder_ + entries[0]).size(), sent);
        QCOMPARE(file.size(), sent);
        QVERIFY(file.commit(target_, false));
        QCOMPARE(Entries(folder_), QStringList{u"file.bin"_s});
        QCOMPARE(ReadFile(target_), Pattern(0, sent));
        // A new file's usual permissions, not a temporary file's private ones.
        QCOMPARE(QFileInfo(target_).permissions() & 0x7777, QFile::Permissions(0x6644));
        ::umask(savedMask);
    }

    void commitOntoExistingEntry_data()
    {
        QTest::addColumn<bool>("link");
        QTest::addColumn<bool>("replace");
        QTest::newRow("longer file, keep it") << false << false;
        QTest::newRow("longer file, replace it") << false << true;
        // A symbolic link is kept or replaced itself; the data never goes through it.
        QTest::newRow("link, keep it") << true << false;
        QTest::newRow("link, replace it") << true << true;
    }

    void commitOntoExistingEntry()
    {
        QFETCH(bool, link);
        QFETCH(bool, replace);
        const QString old = link ? folder_ + "old.bin"_L1 : target_;
        const QByteArray oldBytes(300000, 'o');
        QVERIFY(WriteFile(old, oldBytes) && (!link || QFile::link(old, target_)));
        DownloadFile file;
        QVERIFY(file.open(folder_) && file.append("new"));
        QCOMPARE(file.commit(target_, replace), replace);
        QCOMPARE(file.errorString().isEmpty(), replace);
        QCOMPARE(ReadFile(target_), replace ? QByteArray("new") : oldBytes);
        QCOMPARE(QFileInfo(target_).isSymLink(), link && !replace);
        QCOMPARE(ReadFile(old), link || !replace ? oldBytes : QByteArray("new"));
        QCOMPARE(Entries(folder_).size(), link ? 2 : 1); // the temporary file is gone either way
    }

    // A write that fails midway (as on a full disk) or a missing folder is kept
    // until the commit, which fails with that reason and leaves the target alone.
    void failuresAreKeptAndReported()
    {
        QVERIFY(WriteFile(target_, "old"));
        DownloadFile full;
        QVERIFY(full.open(folder_));
        QVERIFY(UnderFileSizeLimit(100000, [&full] {
            return full.append(QByteArray(65536, 'a')) && !full.append(QByteArray(65536, 'b'));
        }));
        DownloadFile missing;
        QVERIFY(!missing.open(folder_ + "gone/"_L1));
        QVERIFY(missing.errorString().startsWith(u"フォルダが見つかりません。"_s));
        for (DownloadFile *file : {&full, &missing}) {
            const QString reason = file->errorString();
            QVERIFY(!file->append("more") && !file->commit(target_, true));
            QCOMPARE(file->errorString(), reason);
        }
        QCOMPARE(Entries(folder_), QStringList{u"file.bin"_s});
        QCOMPARE(ReadFile(target_), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestDownloadFile)
#include "test_download_file.moc"
