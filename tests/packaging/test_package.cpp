// Builds the Debian package from this build, unpacks it and checks what a user would get.
#include "gui/window_platform.h"
#include "support/sample_data.h"
#include "support/script_server.h"

#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Finished {
    int exitCode;
    QByteArray output, errors;
};

// The test's environment with some variables changed; an empty value removes one.
QProcessEnvironment environmentWith(std::initializer_list<std::pair<const char *, QString>> changes)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : changes)
        value.isEmpty() ? environment.remove(name) : environment.insert(name, value);
    return environment;
}

const QProcessEnvironment kNoDisplay = environmentWith({{"DISPLAY", {}}, {"WAYLAND_DISPLAY", {}}, {"QT_QPA_PLATFORM", {}}});

Finished run(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment = environmentWith({}),
             const QString &outputFile = {})
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(), process.readAllStandardError()};
}

const QString kDesktopEntry = QStringLiteral("usr/share/applications/org.example.tobrell.desktop");
const QString kMetainfo = QStringLiteral("usr/share/metainfo/org.example.tobrell.metainfo.xml");

} // namespace

class TestPackage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
#ifdef TOBRELL_SANITIZED
        QSKIP("The package is made from a build without sanitizers");
#endif
        const QString config = QStringLiteral(TOBRELL_BUILD_DIR "/CPackConfig.cmake");
        if (!QFile::exists(config))
            QSKIP("This build has no package configuration");
        const Finished cpack = run("cpack", {"-G", "DEB", "--config", config, "-B", work_.filePath("out")});
        QVERIFY2(cpack.exitCode == 0, cpack.output + cpack.errors);
        deb_ = work_.filePath("out/tobrell_1.00-1_amd64.deb");
        root_ = work_.filePath("root/");
        QCOMPARE(run("dpkg-deb", {"-x", deb_, root_}).exitCode, 0);
    }

    void fileList()
    {
        QStringList files;
        for (QDirIterator it(root_, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
            files << it.next().mid(root_.size());
        files.sort();
        const QString icon = QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/tobrell.png");
        const QList<int> sizes = {16, 32, 48, 64, 128, 256};
        QStringList expected = {"usr/bin/tobrell", "usr/lib/x86_64-linux-gnu/tobrell/tobrell-window.so", kDesktopEntry, "usr/share/doc/tobrell/changelog.Debian.gz",
                                "usr/share/doc/tobrell/copyright", "usr/share/icons/hicolor/scalable/apps/tobrell.svg",
                                "usr/share/lintian/overrides/tobrell", "usr/share/man/ja/man1/tobrell.1.gz",
                                "usr/share/man/man1/tobrell.1.gz", kMetainfo, "usr/share/tobrell/readme.txt"};
        for (const int size : sizes)
            expected << icon.arg(size);
        expected.sort();
        QCOMPARE(files, expected);
        for (const int size : sizes)
            QCOMPARE(QImage(root_ + icon.arg(size)).size(), QSize(size, size));
    }

    void validators()
    {
        for (const Finished &check : {run("desktop-file-validate", {root_ + kDesktopEntry}),
                                      run("appstreamcli", {"validate", "--no-net", "--pedantic", root_ + kMetainfo}),
                                      run("lintian", {"--pedantic", "--fail-on", "error,warning,pedantic", deb_})})
            QVERIFY2(check.exitCode == 0, check.output + check.errors);
    }

    void dependencies()
    {
        const QString depends = run("dpkg-deb", {"-f", deb_, "Depends"}).output;
        const QStringList packages = depends.trimmed().split(QRegularExpression(" \\([^)]*\\)|, "), Qt::SkipEmptyParts);
        for (const char *needed : {"fonts-noto-cjk", "xdg-utils", "qt6-translations-l10n", "qt6-qpa-plugins", "qt6-wayland", "libqt6widgets6", "libcurl4"})
            QVERIFY2(packages.contains(QLatin1String(needed)), qPrintable(depends));
    }

    // None of these needs a display; the terminal mode runs on QtCore alone.
    void commandLine_data()
    {
        // The arguments (after " > ": where stdout goes), the exit code, the start of stdout and of stderr.
        for (const char *column : {"arguments", "exitCode", "output", "errors"})
            QTest::addColumn<QString>(column);
        testdata::AddTextRows({"--version|0|Tobrell ver 1.00 Feb 2006\n|", "-h|0|使い方: tobrell [URL]\n|",
                               "-x|2||tobrell: 不明なオプションです: -x\n使い方: tobrell [URL]\n",
                               "--head http://127.0.0.1:%1/|1||接続が拒否されました。",
                               "--help > /dev/full|1||"}); // a write error on stdout is an error
    }
    void commandLine()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        const QStringList parts = arguments.replace(u"%1"_s, QString::number(ScriptServer::RefusedPort())).split(u" > "_s);
        const Finished done = run(root_ + "usr/bin/tobrell", parts[0].split(u' '), kNoDisplay, parts.value(1));
        QVERIFY2(done.output.startsWith(output.toUtf8()) && done.errors.startsWith(errors.toUtf8()), done.output + done.errors);
        QTEST(QString::number(done.exitCode), "exitCode");
    }

    // As when started from the menu with an address (the desktop entry's %u): the current directory is
    // the home folder and the program's folder is not writable. The address replaces the restored one in
    // the URL box and its headers are fetched; Qt's own options still reach Qt; the settings and the
    // download folder are the user's own.
    void startFromMenu()
    {
        ScriptServer server;
        QVERIFY(server.start());
        server.setScript(ScriptServer::Reply("200 OK", {}));
        QTemporaryDir home;
        const QString settings = home.filePath(".config/Tobrell/settei.ini");
        QVERIFY(QDir().mkpath(QFileInfo(settings).path()));
        QVERIFY(testdata::WriteFile(settings, "[String]\r\nURL=" + server.url("/restored").toUtf8() + "\r\n"));
        const QString bin = root_ + "usr/bin";
        QVERIFY(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        const auto writable = qScopeGuard([&] { QFile::setPermissions(bin, QFile::permissions(bin) | QFile::WriteOwner); });

        QProcess tobrell;
        tobrell.setProcessEnvironment(environmentWith({{"DISPLAY", {}}, {"WAYLAND_DISPLAY", {}}, {"QT_QPA_PLATFORM", {}}, {"HOME", home.path()},
                                                       {"XDG_CONFIG_HOME", {}}, {"XDG_DATA_HOME", home.filePath("data")}}));
        tobrell.setWorkingDirectory(home.path());
        const QStringList arguments = {"-platform", "offscreen", server.url("/start")};
        if (geteuid() == 0) // permissions do not stop root: the folder is mounted read-only for the program alone
            tobrell.start("unshare", QStringList{"-m", "sh", "-c", R"(mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$0/tobrell" "$@")", bin} + arguments);
        else
            tobrell.start(bin + "/tobrell", arguments);
        // Once it has fetched and made the download folder, it is stopped as the desktop does; it ends normally.
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().size() == 1 && QFileInfo(home.filePath("Downloads/Tobrell")).isDir(), 20000);
        ::kill(pid_t(tobrell.processId()), SIGTERM);
        QVERIFY(tobrell.waitForFinished(30000));
        QVERIFY(tobrell.exitStatus() == QProcess::NormalExit && tobrell.exitCode() == 0);
        QVERIFY(server.requests()[0].startsWith("HEAD /start HTTP/1.1\r\n"));
        // The box held the address when the window closed.
        QVERIFY(testdata::ReadFile(settings).contains("URL=" + server.url("/start").toUtf8()));
        QCOMPARE(QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"tobrell"});
    }

    void windowPlatform_data()
    {
        // QT_QPA_PLATFORM, WAYLAND_DISPLAY, XDG_SESSION_TYPE and DISPLAY, then the platform chosen (empty: Qt's).
        QTest::addColumn<QByteArray>("row");
        for (const char *row : {"|wayland-1||:1|xcb", "||wayland|:0|xcb", "|wayland-0|wayland||wayland",
                                "||wayland||wayland", "|wayland-0|||wayland", "wayland|wayland-0|wayland|:0|",
                                "xcb|wayland-0|wayland||", "||x11|:0|", "||||"})
            QTest::newRow(row) << QByteArray(row);
    }

    void windowPlatform()
    {
        QFETCH(QByteArray, row);
        const QByteArrayList v = row.split('|');
        QCOMPARE(ChooseWindowPlatform({v[0], v[1], v[2], v[3]}), v[4]);
    }

private:
    QTemporaryDir work_;
    QString deb_, root_;
};

QTEST_MAIN(TestPackage)
#include "test_package.moc"
