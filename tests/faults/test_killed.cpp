// The program killed (SIGKILL) at random moments while the close writes the
// settings and while downloads are written. The killed program is this
// executable started again in a child role: it calls the routines the window
// calls, settings::SaveSettings as the close does, and DownloadFile's open,
// append and commit as a download does, over and over until it is killed.
#include "engine/download_file.h"
#include "persist/settings.h"
#include "support/sample_data.h"

#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;
using namespace testdata;

namespace {

constexpr int kKills = 25;
constexpr qint64 kBodyBytes = 1024 * 1024;
constexpr qint64 kChunkBytes = 65536;

// Two states the close might save, differing in every key.
settings::SavedState State(int which)
{
    settings::SavedState state;
    state.top = 15 * which;
    state.left = -300 - which;
    state.ref = state.clip = state.rename = which;
    state.topMost = state.tipHint = which == 1;
    state.url = QString(100 + 100 * which, QChar(u'a' + which));
    state.countHead = state.countData = state.countFail = state.countCancel = 1000 * which;
    return state;
}

// The child's part, until it is killed: "save PATH" saves the two states in
// turn; "download FOLDER NAME replace|keep" downloads one body after another,
// each in place of the last or under a new name, and prints the number of
// each that it committed.
int Child(const QStringList &arguments)
{
    const QByteArray body = Pattern(0, kBodyBytes);
    const bool replace = arguments.value(3) == u"replace";
    std::puts("started");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        if (arguments[0] == u"save") {
            settings::SaveSettings(arguments[1], State(n % 2));
            continue;
        }
        DownloadFile file;
        bool written = file.open(arguments[1]);
        for (qint64 at = 0; written && at < body.size(); at += kChunkBytes)
            written = file.append(body.mid(at, kChunkBytes));
        if (!written || !file.commit(arguments[1] + arguments[2] + (replace ? QString() : QString::number(n)), replace))
            return 1;
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}

// Starts the child with arguments, kills it at a random moment after it has
// started its work, and returns what it printed after "started".
QByteArray KillDuring(const QStringList &arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForStarted(10000))
        return "<not started>";
    while (!child.canReadLine() && child.waitForReadyRead(10000)) {
    }
    if (child.readLine() != "started\n")
        return "<no start line>";
    // The moment of the kill, not a wait for anything.
    QThread::usleep(QRandomGenerator::global()->bounded(20000));
    child.kill();
    if (!child.waitForFinished(10000) || child.exitStatus() != QProcess::CrashExit)
        return "<not killed>";
    return child.readAllStandardOutput();
}

} // namespace

class TestKilled : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void settingsWrite_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("no settings file yet") << QByteArray();
        QByteArray large = "; the user's own\n[Mine]\n";
        for (int i = 0; i < 3000; ++i)
            large += "key" + QByteArray::number(i) + "=value " + QByteArray::number(i) + '\n';
        QTest::newRow("a large file of the user's") << large;
    }

    // Afterwards settei.ini is the file as it was, or as one whole save left it.
    void settingsWrite()
    {
        QFETCH(QByteArray, before);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"settei.ini"_s);
        const QByteArray absent = "<absent>";
        const auto reset = [&] {
            return before.isEmpty() ? !QFile::exists(path) || QFile::remove(path) : WriteFile(path, before);
        };
        // The files whole saves give, by the same routine; saving in turn returns to them.
        QList<QByteArray> whole{before.isEmpty() ? absent : before};
        QVERIFY(reset());
        for (int which : {0, 1, 0}) {
            QVERIFY(settings::SaveSettings(path, State(which)));
            whole << ReadFile(path);
        }
        QCOMPARE(whole[3], whole[1]);
        for (int kill = 0; kill < kKills; ++kill) {
            QVERIFY(reset());
            QCOMPARE(KillDuring({u"save"_s, path}), QByteArray());
            const QByteArray after = QFile::exists(path) ? ReadFile(path) : absent;
            QVERIFY2(whole.contains(after), qPrintable(u"kill %1 left a mixed file"_s.arg(kill)));
        }
    }

    void download_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("each download under a new name") << false;
        QTest::newRow("each download in place of the last") << true;
    }

    // Every download committed before the kill is whole, no name holds part
    // of one, and the next start leaves no temporary file.
    void download()
    {
        QFETCH(bool, replace);
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        const QByteArray body = Pattern(0, kBodyBytes);
        int cut = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            const QString name = u"r%1-"_s.arg(kill);
            const QList<QByteArray> committed =
                KillDuring({u"download"_s, folder, name, replace ? u"replace"_s : u"keep"_s}).split('\n');
            for (const QByteArray &n : committed.first(committed.size() - 1))
                QVERIFY(QFile::exists(folder + name + (replace ? QString() : QString::fromLatin1(n))));
            cut += Entries(folder).filter(u".tobrell-"_s).size();
            DownloadFile::RemoveLeftovers(folder);
            QVERIFY(Entries(folder).filter(u".tobrell-"_s).isEmpty());
            for (const QString &entry : Entries(folder)) {
                QVERIFY2(ReadFile(folder + entry) == body, qPrintable(entry));
                // One download of each earlier round is kept to be checked again.
                if (entry.startsWith(name) && entry != name + u'0' && entry != name)
                    QVERIFY(QFile::remove(folder + entry));
            }
        }
        qInfo("%d kills, %d of them during a download", kKills, cut);
    }
};

int main(int argc, char **argv)
{
    // A child dies with the test that started it.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool child = arguments.value(0) == u"save" ? arguments.size() == 2 : arguments.value(0) == u"download" && arguments.size() == 4;
    if (child && ::prctl(PR_SET_PDEATHSIG, SIGKILL) == 0)
        return Child(arguments);
    QCoreApplication app(argc, argv);
    TestKilled test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_killed.moc"
