// The download folder, the names files get in it and the hidden file a
// download streams into until it takes its name.
#include "core/download/download_file.h"
#include "core/download/file_naming.h"
#include "support/sample_data.h"

#include <QtTest>

#include <cerrno>
#include <optional>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace testdata;

class TestDownloadFolder : public QObject {
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

    void makeFilename_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");
        AddTextRows({"http://e.com/dir/file.zip|file.zip", "http://e.com/dir/|index.html", "http://e.com|e.com",
                     "http://e.com/cgi?x=1|cgi?x=1", "http://e.com/a?b=c/d|d", "http://e.com/%2E%2E|%2E%2E",
                     "http://e.com/dir/.|index.html", "http://e.com/dir/..|index.html"});
        QTest::newRow("NUL") << u"http://e.com/a\0b"_s << "a_b";
        // Too long names are cut to 240 UTF-8 bytes, keeping an extension of up to 32 bytes.
        const auto a = [](int n) { return QString(n, u'a'); };
        const QString b31(31, u'b');
        QTest::newRow("longest kept") << "http://e.com/" + a(240) << a(240);
        QTest::newRow("extension from the first dot") << "http://e.com/" + a(300) + ".tar.gz" << a(233) + ".tar.gz";
        QTest::newRow("last dot when the first is far") << "http://e.com/a." + a(300) + ".tgz"
                                                        << "a." + a(234) + ".tgz";
        QTest::newRow("extension of 32 bytes") << "http://e.com/" + a(300) + '.' + b31 << a(208) + '.' + b31;
        QTest::newRow("extension of 33 bytes") << "http://e.com/" + a(300) + ".b" + b31 << a(240);
        QTest::newRow("surrogate pairs are not cut")
            << "http://e.com/" + u"😀"_s.repeated(70) + ".png" << u"😀"_s.repeated(59) + ".png";
    }

    void makeFilename()
    {
        QFETCH(QString, url);
        QTEST(naming::MakeFilename(url), "expected");
    }

    void makeNewFilename_data()
    {
        // The entries present ("name@" is a dangling link), the name, the name found ("-": none).
        // An entry that cannot be looked at ("x[0].bin" below a file) counts as taken.
        QTest::addColumn<QString>("present");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        AddTextRows({"index.html|index.html|index[0].html", "file.zip file[1].zip|file.zip|file[0].zip",
                     "file.zip file[0].zip file[1].zip@|file.zip|file[2].zip", ".htaccess|.htaccess|[0].htaccess",
                     "archive.tar.gz|archive.tar.gz|archive[0].tar.gz", "README|README|README[0]", "file|file/x.bin|-"});
    }

    void makeNewFilename()
    {
        QFETCH(QString, present);
        QFETCH(QString, name);
        for (const QString &entry : present.split(u' '))
            QVERIFY(entry.endsWith(u'@') ? QFile::link(folder_ + "nowhere"_L1, folder_ + entry.chopped(1))
                                         : WriteFile(folder_ + entry, {}));
        QTEST(naming::MakeNewFilename(folder_, name).value_or(u"-"_s), "expected");
    }

    void makeSaveFolder_data()
    {
        QTest::addColumn<QString>("present"); // a file made below the executable's folder first
        QTest::addColumn<QString>("reason");  // empty: the folder is usable
        // Every download through the window makes the missing folder and keeps what is in it.
        QTest::newRow("existing folder") << "download/kept.bin" << "";
        QTest::newRow("a link to nothing called download") << "link" << "同じ名前のリンクがあり、そのリンク先がありません。";
        QTest::newRow("executable's folder is a file") << "program"
                                                       << "フォルダが見つかりません。 (" + qt_error_string(ENOTDIR) + ')';
    }

    void makeSaveFolder()
    {
        QFETCH(QString, present);
        QFETCH(QString, reason);
        const QString file = folder_ + present;
        if (present == u"link")
            QVERIFY(QFile::link(folder_ + "nowhere"_L1, folder_ + "download"_L1));
        else
            QVERIFY(present.isEmpty() || (QDir().mkpath(QFileInfo(file).path()) && WriteFile(file, {})));
        const QString executableDir = present == u"program" ? file : dir_->path();
        const naming::SaveFolder folder = naming::MakeSaveFolder(executableDir);
        QCOMPARE(folder.path, executableDir + "/download/"_L1);
        QCOMPARE(QFileInfo(folder.path).isDir(), reason.isEmpty());
        QCOMPARE(folder.problem, reason.isEmpty() ? reason
                                                  : u"ダウンロード用のフォルダを用意できませんでした。\r\n"_s + executableDir
                                                        + u"/download\r\n"_s + reason);
        // A closing "/" on the executable's folder does not double it.
        QCOMPARE(naming::MakeSaveFolder(executableDir + u'/').path, folder.path);
    }

    // What a killed download left goes at start; a running download's file and the user's own stay.
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
        QVERIFY(WriteFile(folder_ + ".tobrell-Ab3xYz.part"_L1, "killed") && WriteFile(folder_ + ".tobrell-notes.txt"_L1, "mine"));
        DownloadFile::RemoveLeftovers(folder_);
        QVERIFY(file.commit(target_, false));
        QCOMPARE(Entries(folder_), (QStringList{u".tobrell-notes.txt"_s, u"file.bin"_s}));
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

QTEST_GUILESS_MAIN(TestDownloadFolder)
#include "test_download_folder.moc"
