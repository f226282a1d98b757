#include "engine/file_naming.h"

#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Creates an empty file, quickly enough for tens of thousands of them.
bool Touch(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

} // namespace

class TestFileNaming : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void makeFilename_data();
    void makeFilename();
    void makeNewFilename_data();
    void makeNewFilename();
    void allCountersTaken();
    void makeSaveFolder_data();
    void makeSaveFolder();
};

void TestFileNaming::makeFilename_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("expected");

    QTest::newRow("file") << "http://example.com/dir/file.zip" << "file.zip";
    QTest::newRow("folder") << "http://example.com/dir/" << "index.html";
    QTest::newRow("host only") << "http://example.com" << "example.com";
    QTest::newRow("query") << "http://example.com/cgi?x=1" << "cgi?x=1";
    QTest::newRow("slash in query") << "http://example.com/a?b=c/d" << "d";
    QTest::newRow("percent escapes stay") << "http://example.com/%2E%2E" << "%2E%2E";
    QTest::newRow("dot") << "http://example.com/dir/." << "index.html";
    QTest::newRow("dot dot") << "http://example.com/dir/.." << "index.html";
    QTest::newRow("NUL") << QStringLiteral("http://e.com/a") + QChar(u'\0') + QStringLiteral("b") << "a_b";

    // Too long names are cut to 240 UTF-8 bytes, keeping their extension.
    const auto a = [](int n) { return QStringLiteral("a").repeated(n); };
    QTest::newRow("longest kept") << "http://e.com/" + a(240) << a(240);
    QTest::newRow("extension from the first dot") << "http://e.com/" + a(300) + ".tar.gz" << a(233) + ".tar.gz";
    QTest::newRow("no extension beyond 32 bytes") << "http://e.com/a." + a(300) << "a." + a(238);
    QTest::newRow("surrogate pairs are not cut")
        << "http://e.com/" + QStringLiteral("😀").repeated(70) + ".png" << QStringLiteral("😀").repeated(59) + ".png";
}

void TestFileNaming::makeFilename()
{
    QFETCH(QString, url);
    QFETCH(QString, expected);
    const QString name = naming::MakeFilename(url);
    QCOMPARE(name, expected);

    // Every name, even with the largest counter in it, can really be created.
    QTemporaryDir dir;
    QVERIFY(Touch(dir.filePath(name)) && Touch(dir.filePath(name + QStringLiteral("[32767]"))));
}

void TestFileNaming::makeNewFilename_data()
{
    QTest::addColumn<QStringList>("present"); // "name@" is a dangling link
    QTest::addColumn<QString>("saveName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("index") << QStringList{"index.html"} << "index.html" << "index[0].html";
    QTest::newRow("gap first") << QStringList{"file.zip", "file[1].zip"} << "file.zip" << "file[0].zip";
    QTest::newRow("any entry is taken") << QStringList{"file.zip", "file[0].zip", "file[1].zip@"} << "file.zip"
                                        << "file[2].zip";
    QTest::newRow("leading dot") << QStringList{".htaccess"} << ".htaccess" << "[0].htaccess";
    QTest::newRow("first dot") << QStringList{"archive.tar.gz"} << "archive.tar.gz" << "archive[0].tar.gz";
    QTest::newRow("no dot") << QStringList{"README"} << "README" << "README[0]";
}

void TestFileNaming::makeNewFilename()
{
    QFETCH(QStringList, present);
    QFETCH(QString, saveName);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    for (const QString &name : present)
        QVERIFY(name.endsWith(u'@') ? QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(name.chopped(1)))
                                    : Touch(dir.filePath(name)));
    QCOMPARE(naming::MakeNewFilename(dir.path() + u'/', saveName), std::optional<QString>(expected));
}

void TestFileNaming::allCountersTaken()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    for (int n = 0; n <= naming::kLastCounter; ++n)
        QVERIFY(Touch(folder + QStringLiteral("x[%1].bin").arg(n)));
    QCOMPARE(naming::MakeNewFilename(folder, QStringLiteral("x.bin")), std::nullopt);
    // The last counter is still tried.
    QVERIFY(QFile::remove(folder + QStringLiteral("x[32767].bin")));
    QCOMPARE(naming::MakeNewFilename(folder, QStringLiteral("x.bin")), std::optional<QString>("x[32767].bin"));
}

void TestFileNaming::makeSaveFolder_data()
{
    QTest::addColumn<QString>("present"); // a file made below the executable's folder first
    QTest::addColumn<bool>("usable");
    QTest::newRow("missing folder is created") << "" << true;
    QTest::newRow("existing folder, contents kept") << "download/kept.bin" << true;
    QTest::newRow("a file called download") << "download" << false;
    QTest::newRow("executable's folder is a file") << "program" << false;
}

void TestFileNaming::makeSaveFolder()
{
    QFETCH(QString, present);
    QFETCH(bool, usable);
    QTemporaryDir dir;
    const QString file = dir.filePath(present);
    QVERIFY(present.isEmpty() || (QDir().mkpath(QFileInfo(file).path()) && Touch(file)));
    const QString executableDir = present == u"program" ? file : dir.path();

    const naming::SaveFolder folder = naming::MakeSaveFolder(executableDir);
    QCOMPARE(folder.path, executableDir + QStringLiteral("/download/"));
    QCOMPARE(QFileInfo(folder.path).isDir(), usable);
    QCOMPARE(folder.problem.contains(executableDir + QStringLiteral("/download")), !usable);
    QVERIFY(present.isEmpty() || QFileInfo(file).isFile());
    // A closing "/" on the executable's folder does not double it.
    QCOMPARE(naming::MakeSaveFolder(executableDir + u'/').path, folder.path);
}

QTEST_GUILESS_MAIN(TestFileNaming)
#include "test_file_naming.moc"
