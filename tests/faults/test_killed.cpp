// The program ending in the middle of its writes: killed (SIGKILL) at random
// moments while the close writes the settings and while downloads are
// written, or losing its display during a download. The program is this
// executable started again in a child role that calls what the window calls.
#include "core/download/download_file.h"
#include "core/storage/settings.h"
#include "gui/form1.h"
#include "support/sample_data.h"

#include <QApplication>
#include <QtTest>

#include <csignal>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;
using namespace testdata;

const QByteArray kBody = Pattern(0, 1 << 20);

// The child's part, given a path and a role: it receives part of a body,
// then "save" saves the settings into path over and over; "keep" and
// "replace" download one body after another into the folder path, each under
// its number or in place of the last ("same"); "display" waits on its X
// display.
int Child(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString path = app.arguments()[1], role = app.arguments()[2];
    DownloadFile file;
    file.open(path, u"body"_s) && file.append(kBody.left(1000));
    std::puts("started");
    std::fflush(stdout);
    for (int n = 0; role != u"display"; ++n) {
        if (role == u"save") {
            settings::SaveSettings(path, {});
            continue;
        }
        const QString name = role == u"replace" ? u"same"_s : QString::number(n);
        if (!file.open(path, name) || !file.append(kBody) || !file.commit(path + name, role == u"replace"))
            return 1;
    }
    return app.exec();
}

class TestKilled : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Afterwards settei.ini is the user's large file as it was, or as a whole
    // save left it; every committed download is whole, and what the killed
    // one received is kept at the next start under its name or a free
    // variant, harming no file and leaving no temporary file. The first round
    // takes the display away instead: Qt then ends the program with exit(),
    // and the bytes that arrived take their name at once, as at a close.
    void killedWhileWriting()
    {
        QTemporaryDir dir, downloads;
        const QString path = dir.filePath(u"settei.ini"_s), folder = downloads.path() + u'/';
        const QByteArray large = "[String]\nURL=\n; the user's own\n" + QByteArray(60000, ';');
        QVERIFY(WriteFile(path, large) && settings::SaveSettings(path, {}));
        const QList<QByteArray> whole = {large, ReadFile(path)};
        int cut = 0;
        for (int kill = 0; kill < 100; ++kill) {
            const QString role
                = kill ? QStringList{u"save"_s, u"keep"_s, u"replace"_s}[kill % 3] : u"display"_s;
            QStringList arguments = {role == u"save" ? path : folder, role};
            QProcess xvfb, child;
            if (!kill) {
                xvfb.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s});
                QVERIFY(xvfb.waitForReadyRead(10000));
                arguments << u"-platform"_s << u"xcb"_s << u"-display"_s << ":" + xvfb.readAll().trimmed();
            }
            QVERIFY(WriteFile(path, large));
            child.start(QCoreApplication::applicationFilePath(), arguments);
            QVERIFY(child.waitForReadyRead(10000));
            QThread::usleep(std::rand() % 20000); // the moment of the kill, not a wait for anything
            kill ? child.kill() : xvfb.kill();
            QVERIFY(child.waitForFinished(10000) && whole.contains(ReadFile(path)));
            QVERIFY(kill || Entries(folder) == QStringList{u"body"_s});
            cut += DownloadFile::KeepLeftovers(folder).size();
            // Whole, or the start of the body; the one replaced in every round stays, whole, to be checked
            // again after the next kills.
            for (const QString &entry : Entries(folder)) {
                const QByteArray bytes = ReadFile(folder + entry);
                QVERIFY(entry[0] != u'.' && kBody.startsWith(bytes) && (entry != u"same" || bytes == kBody));
                QVERIFY(entry == u"same" || QFile::remove(folder + entry));
            }
        }
        QVERIFY(cut > 0); // some kills fell in the middle of a download
    }
};

int main(int argc, char **argv)
{
    // A child, started with a path first, dies with the test that started it.
    if (argc > 2 && *argv[1] == '/' && ::prctl(PR_SET_PDEATHSIG, SIGKILL) == 0)
        return Child(argc, argv);
    QCoreApplication app(argc, argv);
    TestKilled test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_killed.moc"
