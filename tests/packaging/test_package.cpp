// Builds the Debian package from this build, unpacks it and checks what a user installing it gets.
#include "support/sample_data.h"
#include "support/script_server.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

struct Finished {
    int exitCode;
    QString output, errors;
};

// Runs a program with the event loop going, so that the test's server answers it. Its stdout goes
// to the file named by output, or with output "closed" into a pipe whose reader is already gone.
Finished run(const QString &program, const QStringList &arguments, const QString &output = {})
{
    QProcess process;
    if (output == u"closed")
        process.setChildProcessModifier([] {
            int ends[2];
            if (pipe(ends) == 0) {
                dup2(ends[1], STDOUT_FILENO);
                close(ends[0]);
            }
        });
    else if (!output.isEmpty())
        process.setStandardOutputFile(output);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    const bool ended = finished.wait(120000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class TestPackage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
#ifdef TOBRELL_SANITIZED
        QSKIP("The package is made from a build without sanitizers");
#endif
        const Finished cpack = run(
            "cpack", {"-G", "DEB", "--config", TOBRELL_BUILD_DIR "/CPackConfig.cmake", "-B", work_.path()});
        QVERIFY2(cpack.exitCode == 0, qPrintable(cpack.output + cpack.errors));
        QCOMPARE(run("dpkg-deb", {"-x", deb_, root_}).exitCode, 0);
        QVERIFY(server_.start());
        server_.setScript(ScriptServer::Reply("200 OK", {}));
    }

    void contents()
    {
        for (const char *file : {"bin/tobrell", "lib/x86_64-linux-gnu/tobrell/tobrell-window.so",
                 "lib/x86_64-linux-gnu/tobrell/libtobrell-core.so", "share/tobrell/readme.txt",
                 "share/applications/org.example.tobrell.desktop", "share/man/man1/tobrell.1.gz",
                 "share/man/ja/man1/tobrell.1.gz", "share/icons/hicolor/16x16/apps/tobrell.png",
                 "share/icons/hicolor/32x32/apps/tobrell.png", "share/icons/hicolor/48x48/apps/tobrell.png",
                 "share/icons/hicolor/64x64/apps/tobrell.png", "share/icons/hicolor/128x128/apps/tobrell.png",
                 "share/icons/hicolor/256x256/apps/tobrell.png",
                 "share/icons/hicolor/scalable/apps/tobrell.svg"})
            QVERIFY2(QFile::exists(root_ + "usr/" + file), file);
        const QString depends = run("dpkg-deb", {"-f", deb_, "Depends"}).output;
        for (const char *needed :
            {"fonts-noto-cjk", "xdg-utils", "qt6-translations-l10n", "qt6-qpa-plugins", "qt6-wayland"})
            QVERIFY2(depends.contains(needed), qPrintable(depends));
        for (const Finished &check :
            {run("desktop-file-validate", {root_ + "usr/share/applications/org.example.tobrell.desktop"}),
                run("appstreamcli",
                    {"validate", "--no-net", "--pedantic",
                        root_ + "usr/share/metainfo/org.example.tobrell.metainfo.xml"}),
                run("lintian", {"--pedantic", "--fail-on", "error,warning,pedantic", deb_})})
            QVERIFY2(check.exitCode == 0, qPrintable(check.output + check.errors));
    }

    // The installed program without a display, as env runs it: NAME=value words before it set the
    // environment; " > " sends stdout elsewhere; %1 is the test server's address.
    void commandLine_data()
    {
        for (const char *column : {"arguments", "exitCode", "output", "errors"})
            QTest::addColumn<QString>(column);
        testdata::AddTextRows({
            "tobrell --version|0|Tobrell ver 1.00 Feb 2006\n|",
            "tobrell -h|0|使い方: tobrell [URL]\n|",
            "tobrell -x|2||tobrell: 不明なオプションです: -x\n使い方: tobrell [URL]\n",
            "tobrell --help > /dev/full|1||標準出力に書き込めませんでした。\n",
            "tobrell --version > closed|1||",
            "tobrell -I %1 > closed|1||",
            "tobrell|1||tobrell: ウィンドウを開けませんでした: "
            "画面がありません (環境変数 DISPLAY が空です)。\n画面なしでヘッダを見るには: tobrell -I URL\n",
            "DISPLAY=:4095 tobrell|1||tobrell: ウィンドウを開けませんでした: "
            "画面「:4095」に接続できません。\n画面なしでヘッダを見るには: tobrell -I URL\n",
            "tobrell -platform nosuch|1||tobrell: ウィンドウを開けませんでした: "
            "Qt の表示プラグイン「nosuch」がありません。\n画面なしでヘッダを見るには: tobrell -I URL\n",
            "WAYLAND_DISPLAY=nowhere tobrell|1||tobrell: ウィンドウを開けませんでした: "
            "Wayland の画面「nowhere」に接続できません。\n画面なしでヘッダを見るには: tobrell -I URL\n",
        });
    }
    void commandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        arguments.replace("%1", server_.url()).replace("tobrell", root_ + "usr/bin/tobrell");
        const QStringList parts = arguments.split(" > ");
        const QStringList unset
            = {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", "-u", "XDG_SESSION_TYPE"};
        const Finished done = run("env", unset + parts[0].split(u' '), parts.value(1));
        QVERIFY2(done.output.left(output.size()) == output && done.errors.contains(errors)
                && done.errors.isEmpty() == errors.isEmpty(),
            qPrintable(done.output + done.errors));
        QTEST(QString::number(done.exitCode), "exitCode");
    }

private:
    QTemporaryDir work_;
    const QString deb_ = work_.filePath("tobrell_1.00-1_amd64.deb");
    const QString root_ = work_.filePath("root/");
    ScriptServer server_;
};

QTEST_MAIN(TestPackage)
#include "test_package.moc"
