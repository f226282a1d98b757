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
    void entriesThatAreNoFilesAreTaken();
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
    QTest::newRow("percent escapes stay") << "http://example.com/%E3%81%82.txt" << "%E3%81%82.txt";
    QTest::newRow("backslash stays") << "http://example.com/a\\b" << "a\\b";
    QTest::newRow("dot") << "http://example.com/dir/." << "index.html";
    QTest::newRow("dot dot") << "http://example.com/dir/.." << "index.html";
    QTest::newRow("three dots are a name") << "http://example.com/..." << "...";
    QTest::newRow("NUL") << QStringLiteral("http://example.com/a") + QChar(u'\0') + QStringLiteral("b.txt")
                         << "a_b.txt";

    const QString base = QStringLiteral("http://example.com/");
    const QString longest = QStringLiteral("a").repeated(naming::kMaxNameBytes);
    QTest::newRow("longest kept") << base + longest << longest;
    QTest::newRow("too long, extension kept")
        << base + QStringLiteral("a").repeated(300) + ".zip" << QStringLiteral("a").repeated(236) + ".zip";
    QTest::newRow("too long, double extension kept")
        << base + QStringLiteral("a").repeated(300) + ".tar.gz"
        << QStringLiteral("a").repeated(233) + ".tar.gz";
    QTest::newRow("too long, no extension")
        << base + QStringLiteral("b").repeated(300) << QStringLiteral("b").repeated(240);
    QTest::newRow("too long, only a long query after the dot")
        << base + "a." + QStringLiteral("q").repeated(300) << "a." + QStringLiteral("q").repeated(238);
    QTest::newRow("too long, hidden file")
        << base + "." + QStringLiteral("h").repeated(300) << "." + QStringLiteral("h").repeated(239);
    // Three bytes each: 78 of them (234 bytes) fit before ".txt", a 79th would not.
    QTest::newRow("too long, three-byte characters")
        << base + QStringLiteral("あ").repeated(100) + ".txt" << QStringLiteral("あ").repeated(78) + ".txt";
    // Four bytes and two UTF-16 units each: 59 fit, and no pair is cut.
    QTest::newRow("too long, surrogate pairs")
        << base + QStringLiteral("😀").repeated(70) + ".png" << QStringLiteral("😀").repeated(59) + ".png";
}

void TestFileNaming::makeFilename()
{
    QFETCH(QString, url);
    QFETCH(QString, expected);
    const QString name = naming::MakeFilename(url);
    QCOMPARE(name, expected);

    // Every name, even with the largest counter, can really be created in a folder.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(Touch(dir.filePath(name)));
    const qsizetype dot = name.indexOf(u'.');
    const QString withCounter = dot < 0 ? name + QStringLiteral("[32767]")
                                        : name.left(dot) + QStringLiteral("[32767]") + name.mid(dot);
    QVERIFY(Touch(dir.filePath(withCounter)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestFileNaming::makeNewFilename_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("saveName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("index") << QStringList{"index.html"} << "index.html" << "index[0].html";
    QTest::newRow("next free") << QStringList{"file.zip", "file[0].zip", "file[1].zip"} << "file.zip"
                               << "file[2].zip";
    QTest::newRow("gap first") << QStringList{"file.zip", "file[1].zip"} << "file.zip" << "file[0].zip";
    QTest::newRow("first dot counts") << QStringList{"archive.tar.gz", "archive[0].tar.gz"}
                                      << "archive.tar.gz" << "archive[1].tar.gz";
    QTest::newRow("leading dot") << QStringList{".htaccess"} << ".htaccess" << "[0].htaccess";
    QTest::newRow("no dot") << QStringList{"README", "README[0]"} << "README" << "README[1]";
    QTest::newRow("question mark") << QStringList{"cgi?x=1.5"} << "cgi?x=1.5" << "cgi?x=1[0].5";
    QTest::newRow("other names do not count") << QStringList{"file.zip", "file[0].zip.part", "File[0].zip"}
                                              << "file.zip" << "file[0].zip";
}

void TestFileNaming::makeNewFilename()
{
    QFETCH(QStringList, present);
    QFETCH(QString, saveName);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &name : present)
        QVERIFY(Touch(dir.filePath(name)));
    QCOMPARE(naming::MakeNewFilename(dir.path() + u'/', saveName), std::optional<QString>(expected));
}

// A folder or a dangling symbolic link holds the name as much as a file does.
void TestFileNaming::entriesThatAreNoFilesAreTaken()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("file[0].zip")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(QStringLiteral("file[1].zip"))));
    QVERIFY(naming::EntryExists(dir.filePath(QStringLiteral("file[1].zip"))));
    QCOMPARE(naming::MakeNewFilename(dir.path() + u'/', QStringLiteral("file.zip")),
             std::optional<QString>(QStringLiteral("file[2].zip")));
}

void TestFileNaming::allCountersTaken()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + u'/';
    for (int n = 0; n <= naming::kLastCounter; ++n)
        QVERIFY(Touch(folder + QStringLiteral("x[%1].bin").arg(n)));
    QCOMPARE(naming::MakeNewFilename(folder, QStringLiteral("x.bin")), std::nullopt);

    QVERIFY(QFile::remove(folder + QStringLiteral("x[32767].bin")));
    QCOMPARE(naming::MakeNewFilename(folder, QStringLiteral("x.bin")),
             std::optional<QString>(QStringLiteral("x[32767].bin")));
}

void TestFileNaming::makeSaveFolder_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("usable");

    QTest::newRow("missing folder is created") << "none" << true;
    QTest::newRow("existing folder") << "folder" << true;
    QTest::newRow("link to a folder") << "link to folder" << true;
    QTest::newRow("a file called download") << "file" << false;
    QTest::newRow("a dangling link called download") << "dangling link" << false;
    QTest::newRow("executable's folder is a file") << "parent is a file" << false;
}

void TestFileNaming::makeSaveFolder()
{
    QFETCH(QString, setup);
    QFETCH(bool, usable);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString executableDir = dir.path();
    const QString entry = dir.filePath(QStringLiteral("download"));
    if (setup == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("download")));
        QVERIFY(Touch(entry + QStringLiteral("/kept.bin")));
    } else if (setup == u"link to folder") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("elsewhere")));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere")), entry));
    } else if (setup == u"file") {
        QVERIFY(Touch(entry));
    } else if (setup == u"dangling link") {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), entry));
    } else if (setup == u"parent is a file") {
        executableDir = dir.filePath(QStringLiteral("program"));
        QVERIFY(Touch(executableDir));
    }

    const naming::SaveFolder folder = naming::MakeSaveFolder(executableDir);
    QCOMPARE(folder.path, executableDir + QStringLiteral("/download/"));
    QCOMPARE(folder.problem.isEmpty(), usable);
    QCOMPARE(QFileInfo(folder.path).isDir(), usable);
    if (!usable)
        QVERIFY(folder.problem.contains(executableDir + QStringLiteral("/download")));
    if (setup == u"folder")
        QVERIFY(QFile::exists(entry + QStringLiteral("/kept.bin")));
    if (setup == u"file")
        QVERIFY(QFileInfo(entry).isFile());

    // A closing "/" on the executable's folder does not double it.
    QCOMPARE(naming::MakeSaveFolder(executableDir + u'/').path, folder.path);
}

QTEST_GUILESS_MAIN(TestFileNaming)
#include "test_file_naming.moc"
