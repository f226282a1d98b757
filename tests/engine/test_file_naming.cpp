#include "engine/file_naming.h"
#include "support/sample_data.h"

#include <QtTest>

#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;
using testdata::WriteFile;

class TestFileNaming : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void makeFilename_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("expected");
        testdata::AddTextRows({"http://e.com/dir/file.zip|file.zip", "http://e.com/dir/|index.html",
                                "http://e.com|e.com", "http://e.com/cgi?x=1|cgi?x=1", "http://e.com/a?b=c/d|d",
                                "http://e.com/%2E%2E|%2E%2E", "http://e.com/dir/.|index.html",
                                "http://e.com/dir/..|index.html"});
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
        QTest::addColumn<QString>("row");
        for (const char *row : {"index.html|index.html|index[0].html", "file.zip file[1].zip|file.zip|file[0].zip",
                                "file.zip file[0].zip file[1].zip@|file.zip|file[2].zip",
                                ".htaccess|.htaccess|[0].htaccess", "archive.tar.gz|archive.tar.gz|archive[0].tar.gz",
                                "README|README|README[0]", "file|file/x.bin|-"})
            QTest::newRow(row) << QString::fromUtf8(row);
    }

    void makeNewFilename()
    {
        QFETCH(QString, row);
        const QStringList parts = row.split(u'|');
        QTemporaryDir dir;
        for (const QString &name : parts[0].split(u' '))
            QVERIFY(name.endsWith(u'@') ? QFile::link(dir.filePath("nowhere"), dir.filePath(name.chopped(1)))
                                        : WriteFile(dir.filePath(name), {}));
        QCOMPARE(naming::MakeNewFilename(dir.path() + u'/', parts[1]).value_or(u"-"_s), parts[2]);
    }

    // Never overwrite: with every counter up to 32767 taken there is no name.
    // Hard links make the 32,768 entries cheaply.
    void allCountersTaken()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        const QByteArray first = QFile::encodeName(folder) + "x[0].bin";
        QVERIFY(WriteFile(QFile::decodeName(first), {}));
        for (int n = 1; n <= 32767; ++n)
            QVERIFY(::link(first, QFile::encodeName(folder) + "x[" + QByteArray::number(n) + "].bin") == 0);
        QCOMPARE(naming::MakeNewFilename(folder, u"x.bin"_s), std::nullopt);
        QVERIFY(QFile::remove(folder + "x[32767].bin"_L1));
        QCOMPARE(naming::MakeNewFilename(folder, u"x.bin"_s), std::optional<QString>(u"x[32767].bin"_s));
    }

    void makeSaveFolder_data()
    {
        QTest::addColumn<QString>("present"); // a file made below the executable's folder first
        QTest::addColumn<QString>("reason");  // empty: the folder is usable
        QTest::newRow("missing folder is created") << "" << "";
        QTest::newRow("existing folder, contents kept") << "download/kept.bin" << "";
        QTest::newRow("a file called download") << "download" << "同じ名前のファイルがあり、フォルダとして使えません。";
        QTest::newRow("a link to nothing called download") << "link" << "同じ名前のリンクがあり、そのリンク先がありません。";
        QTest::newRow("executable's folder is a file") << "program"
                                                       << "フォルダが見つかりません。 (" + qt_error_string(ENOTDIR) + ')';
    }

    void makeSaveFolder()
    {
        QFETCH(QString, present);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString file = dir.filePath(present);
        if (present == u"link")
            QVERIFY(QFile::link(dir.filePath(u"nowhere"_s), dir.filePath(u"download"_s)));
        else
            QVERIFY(present.isEmpty() || (QDir().mkpath(QFileInfo(file).path()) && WriteFile(file, {})));
        const QString executableDir = present == u"program" ? file : dir.path();
        const naming::SaveFolder folder = naming::MakeSaveFolder(executableDir);
        QCOMPARE(folder.path, executableDir + "/download/"_L1);
        QCOMPARE(QFileInfo(folder.path).isDir(), reason.isEmpty());
        QCOMPARE(folder.problem, reason.isEmpty() ? reason
                                                  : u"ダウンロード用のフォルダを用意できませんでした。\r\n"_s + executableDir
                                                        + u"/download\r\n"_s + reason);
        // A closing "/" on the executable's folder does not double it.
        QCOMPARE(naming::MakeSaveFolder(executableDir + u'/').path, folder.path);
    }
};

QTEST_GUILESS_MAIN(TestFileNaming)
#include "test_file_naming.moc"
