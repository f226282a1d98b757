// The program killed (SIGKILL) at random moments while the close writes the
// settings and while downloads are written. The killed program is this
// executable started again in a child role: it calls the routines the window
// calls, settings::SaveSettings as the close does, and DownloadFile's open,
// append and commit as a download does, over and over until it is killed.
#include "core/download/download_file.h"
#include "core/storage/settings.h"
#include "support/sample_data.h"

#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;
using namespace testdata;

namespace {

constexpr int kKills = 100;
constexpr qint64 kBodyBytes = 1024 * 1024;
constexpr qint64 kChunkBytes = 65536;

// Two states the close might save, differing in every key.
settings::SavedState State(int which)
{
    const qint32 count = 1000 * which;
    return {15 * which, -300 - which, which, which, which, which == 1, which == 1,
            QString(100 + 100 * which, QChar(u'a' + which)), count, count, count, count};
}

// The child's part, until it is killed: "save" saves the two states in turn;
// "keep" and "replace" download one body after another, each under a new
// name (its number) or in place of the last ("same"), and print the number
// of each one committed.
int Child(const QString &role, const QString &settingsPath, const QString &folder)
{
    const QByteArray body = Pattern(0, kBodyBytes);
    const bool replace = role == u"replace";
    std::puts("started");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        if (role == u"save") {
            settings::SaveSettings(settingsPath, State(n % 2));
            continue;
        }
        DownloadFile file;
        bool written = file.open(folder);
        for (qint64 at = 0; written && at < body.size(); at += kChunkBytes)
            written = file.append(body.mid(at, kChunkBytes));
        if (!written || !file.commit(folder + (replace ? u"same"_s : QString::number(n)), replace))
            return 1;
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}

} // namespace

class TestKilled : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Afterwards settei.ini is the file as it was, or as one whole save left
    // it; every download committed before the kill is whole, no name holds
    // part of one, and the next start leaves no temporary file.
    void killedWhileWriting()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"settei.ini"_s);
        const QString folder = dir.filePath(u"download/"_s);
        QVERIFY(QDir().mkpath(folder));
        // Every save starts from a large settings file with a section of the user's own.
        QByteArray large = "; the user's own\n[Counter]\nGetHead=1\n[Mine]\n";
        for (int i = 0; i < 3000; ++i)
            large += "key" + QByteArray::number(i) + "=value " + QByteArray::number(i) + '\n';
        // The files whole saves give, by the same routine; saving in turn returns to them.
        QList<QByteArray> whole = {large};
        QVERIFY(WriteFile(path, large));
        for (int which : {0, 1, 0}) {
            QVERIFY(settings::SaveSettings(path, State(which)));
            whole << ReadFile(path);
        }
        QCOMPARE(whole[3], whole[1]);
        const QByteArray body = Pattern(0, kBodyBytes);
        int cut = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            const QString role = QStringList{u"save"_s, u"keep"_s, u"replace"_s}[kill % 3];
            QVERIFY(role != u"save" || WriteFile(path, large));
            // Killed at a random moment after it has started its work.
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {role, path, folder});
            QVERIFY(child.waitForStarted(10000));
            while (!child.canReadLine() && child.waitForReadyRead(10000)) {
            }
            QCOMPARE(child.readLine(), "started\n");
            QThread::usleep(QRandomGenerator::global()->bounded(20000)); // the moment of the kill, not a wait for anything
            child.kill();
            QVERIFY(child.waitForFinished(10000) && child.exitStatus() == QProcess::CrashExit);
            const QList<QByteArray> committed = child.readAllStandardOutput().split('\n');
            QVERIFY2(role != u"save" || whole.contains(ReadFile(path)),
                     qPrintable(u"kill %1 left a mixed settings file"_s.arg(kill)));
            for (const QByteArray &n : committed.first(committed.size() - 1))
                QVERIFY(QFile::exists(folder + (role == u"replace" ? u"same"_s : QString::fromLatin1(n))));
            cut += Entries(folder).filter(u".tobrell-"_s).size();
            DownloadFile::RemoveLeftovers(folder);
            QVERIFY(Entries(folder).filter(u".tobrell-"_s).isEmpty());
            // The one replaced in every round stays, to be checked again after the next kills.
            for (const QString &entry : Entries(folder)) {
                QVERIFY2(ReadFile(folder + entry) == body, qPrintable(entry));
                QVERIFY(entry == u"same" || QFile::remove(folder + entry));
            }
        }
        qInfo("%d kills, %d of them during a download", kKills, cut);
    }
};

int main(int argc, char **argv)
{
    // A child dies with the test that started it.
    const QByteArray role = argc == 4 ? argv[1] : "";
    if ((role == "save" || role == "keep" || role == "replace") && ::prctl(PR_SET_PDEATHSIG, SIGKILL) == 0)
        return Child(QString::fromLatin1(role), QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    QCoreApplication app(argc, argv);
    TestKilled test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_killed.moc"
