#include "persist/conversions.h"
#include "persist/settings.h"
#include "persist/storage_folders.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace settings;

namespace {

// A value as text: "-" for an empty optional, 1 and 0 for true and false.
const auto t = [](const auto &v) { return v ? QString::number(*v) : QStringLiteral("-"); };

QString Describe(const Settings &s)
{
    return QStringList{t(s.top), t(s.left), t(s.ref), t(s.clip), t(s.rename), t(s.topMost), t(s.tipHint),
                       u'[' + s.url + u']', t(s.countHead), t(s.countData), t(s.countFail), t(s.countCancel)}
        .join(u' ');
}

bool Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return bytes.isNull() || (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

const auto State = [](const QString &url) {
    return SavedState{INT_MIN, INT_MAX, 2, 1, 0, true, false, url, 0, INT_MAX, -1, 7};
};

// SaveSettings into folder in a child process. For "read-only" it makes the
// folder read-only and, running as root (for whom no folder is read-only),
// gives up root; for "size limit" it limits the size of the files it writes.
// 1 saved, 0 not saved.
int SaveInChild(const QString &folder, const SavedState &state, const QString &failure)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit small{8, 8};
        if (failure == u"read-only"
            && (!QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ExeOther)
                || (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))))
            ::_exit(2);
        if (failure == u"size limit"
            && (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &small) != 0))
            ::_exit(2);
        ::_exit(int(SaveSettings(folder + "/settei.ini", state)));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void conversions_data();
    void conversions();
    void loadSettings_data();
    void loadSettings();
    void save_data();
    void save();
    void storageFolders();
};

void TestSettings::conversions_data()
{
    // Text, then what ToInt32, ToInt16 and ToBoolean make of it; "-" where they fail.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    for (const char *row : {"12|12 12 1", " 12 |12 12 1", "\t+7\t|7 7 1", "-3|-3 -3 1", "2.5|2 2 1", "3.5|4 4 1",
                            "-2.5|-2 -2 1", "2.51|3 3 1", ".5|0 0 1", "0.0|0 0 0", "5.|5 5 1", "32767|32767 32767 1",
                            "2147483647|2147483647 - 1", "2147483647.5|- - 1", "2147483648|- - 1", "32768|32768 - 1",
                            "-2147483648.5|-2147483648 - 1", "99999999999999999999|- - 1", "-32768|-32768 -32768 1",
                            "true|- - 1", "FALSE|- - 0", " True |- - 1", "yes|- - -", "|- - -", "abc|- - -",
                            "1e3|- - -", "0x10|- - -", "+|- - -", ".|- - -", "1 2|- - -", "- 1|- - -", "１２|- - -"}) {
        const QStringList parts = QString::fromUtf8(row).split(u'|');
        QTest::newRow(row) << parts[0] << parts[1];
    }
}

void TestSettings::conversions()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(t(ToInt32(text)) + u' ' + t(ToInt16(text)) + u' ' + t(ToBoolean(text)), expected);
}

void TestSettings::loadSettings_data()
{
    QTest::addColumn<QByteArray>("file"); // null: no file, or the one SaveSettings writes for url
    QTest::addColumn<QString>("url");     // not null: save first
    QTest::addColumn<QString>("expected");
    for (const char *row :
         {"first start|~|- - 0 0 0 - - [] - - - -", "Top abc|[Position]\nTop=abc\nLeft=300|- 300 0 0 0 - - [] - - - -",
          "Ref 2 greys, 7 keeps, x unticks|[Check]\nRef=2\nClip=7\nRename=x\nTopMost=1\nTipHint=yes|"
          "- - 2 - 0 1 - [] - - - -",
          "counter beyond 32 bits|[Counter]\nGetHead=4294967296\nGetChuck=5\nFailure=-1\nCancel=2147483648|"
          "- - 0 0 0 - - [] - 5 -1 -",
          "hand-edited|; mine\r\n[counter]\r\ngethead = 12\r\n[Extra]\r\nTop=9\r\n[String]\r\n# the last one\r\n"
          "URL = \" http://a/?q=1;x#y=z \"\r\n[ position ]\r\nLEFT=15\r\ntop=30\r\ntop=45\r\n[Check]\r\n"
          "TopMost=false\r\n|30 15 0 0 0 0 - [ http://a/?q=1;x#y=z ] 12 - - -"}) {
        const QList<QByteArray> parts = QByteArray(row).split('|');
        QTest::newRow(parts[0]) << (parts[1] == "~" ? QByteArray() : parts[1]) << QString() << QString(parts[2]);
    }
    const auto onlyUrl = [](const QString &url) { return "- - 0 0 0 - - [" + url + "] - - - -"; };
    QTest::newRow("URL cut to 254 bytes") << "[String]\nURL=" + QByteArray(300, 'a') << QString()
                                          << onlyUrl(QString(254, u'a'));
    QTest::newRow("Japanese URL cut between characters") << "[String]\nURL=http://e.jp/" + QString(100, u'あ').toUtf8()
                                                          << QString() << onlyUrl("http://e.jp/" + QString(80, u'あ'));
    // Everything written comes back, the URL's blanks, quotes and signs included.
    for (const char *url : {"http://example.com/a b?x=1&y=2#top", "  blanks at both ends\t", "\"quoted\"", "\" half",
                            ";semicolon", "#hash", "=equals", "<<<END", "", "http://例え.jp/パス?q=値"}) {
        QTest::newRow(url) << QByteArray() << QString::fromUtf8(url)
                           << "-2147483648 2147483647 2 1 0 1 0 [" + QString::fromUtf8(url) + "] 0 2147483647 -1 7";
    }
}

void TestSettings::loadSettings()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, url);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("settei.ini");
    QVERIFY(url.isNull() ? Write(path, file) : SaveSettings(path, State(url)));
    QCOMPARE(Describe(LoadSettings(path)), expected);
}

void TestSettings::save_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("failure");   // "read-only" folder, file "size limit" reached midway
    QTest::addColumn<QByteArray>("expected");
    const QByteArray position("[Position]\nTop=-2147483648\nLeft=2147483647\n\n\n");
    const QByteArray check("[Check]\nRef=2\nClip=1\nRename=0\nTopMost=True\nTipHint=False\n\n\n");
    const QByteArray counter("[Counter]\nGetHead=0\nGetChuck=2147483647\nFailure=-1\nCancel=7\n");
    // The URL written is "http://a/\r\nTop=999\n[Position]\0Left=5".
    const QByteArray url("URL=http://a/  Top=999 [Position] Left=5\n");
    QTest::newRow("new file") << QByteArray() << "" << position + check + "[String]\n" + url + "\n\n" + counter;
    QTest::newRow("hand-edited file")
        << QByteArray("; mine\n\n[String]\n# the last one\nURL=old\nExtra=kept\n[Position]\nTop=1\nTop=2\n") << ""
        << "; mine\n\n\n[String]\n\n# the last one\n" + url + "Extra=kept\n\n\n" + position + check + counter;
    const QByteArray old("[Position]\nTop=1\n");
    QTest::newRow("read-only folder") << old << "read-only" << old;
    QTest::newRow("write fails midway") << old << "size limit" << old;
}

void TestSettings::save()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, failure);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    QFile file(dir.filePath("settei.ini"));
    QVERIFY(Write(file.fileName(), before));
    const SavedState state = State(QStringLiteral("http://a/\r\nTop=999\n[Position]") + QChar(0) + "Left=5");
    QCOMPARE(SaveInChild(dir.path(), state, failure), failure.isEmpty() ? 1 : 0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"settei.ini"});
}

void TestSettings::storageFolders()
{
    QTemporaryDir dir;
    const auto folders = [](const QString &executableFolder) {
        const StorageFolders chosen = ChooseStorageFolders(executableFolder);
        return QStringList{chosen.settingsFile, chosen.downloadBase};
    };
    QCOMPARE(folders(dir.path()), QStringList({dir.filePath("settei.ini"), dir.path() + '/'}));
    // A folder that cannot be written: the user's own folders, made when missing.
    qputenv("HOME", QFile::encodeName(dir.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    QCOMPARE(folders(dir.filePath("missing")),
             QStringList({dir.filePath("config/Tobrell/settei.ini"), dir.filePath("Downloads/Tobrell/")}));
    QVERIFY(QFileInfo(dir.filePath("config/Tobrell")).isDir() && QFileInfo(dir.filePath("Downloads/Tobrell")).isDir());
}

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
