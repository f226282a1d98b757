// Download throughput of the window against curl, from a local nginx.
//
// Runs the real window path (an offscreen Form1: "データ取得" pressed, timed
// until the completion box) and `curl -s -f -o` on the same file, alternating
// in one run, and prints each one's throughput, the median of the pair
// ratios window/curl and the peak resident memory of each. Each download runs
// in a child process so that its peak memory is its own.
//
//   bench_download [pairs] [MiB]      (defaults: 3 pairs of 1024 MiB)

#include "gui/form1.h"
#include "support/nginx_server.h"
#include "support/recording_boxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

// Child mode: downloads url into <folder>/download/ through the window and
// prints the seconds from the click to the completion box.
int windowChild(int argc, char **argv, const QString &url, const QString &folder)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RecordingBoxes boxes;
    Form1 form(nullptr, &boxes, folder);
    form.ui.Check3->setChecked(false);
    form.ui.Text3->setText(url);

    QElapsedTimer clock;
    double seconds = -1;
    boxes.onShow = [&](const RecordingBoxes::Box &box) {
        if (box.title == MessageBoxes::kInformationTitle)
            seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        else
            std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
        QCoreApplication::quit();
    };
    clock.start();
    form.Command4_Click();
    QApplication::exec();
    std::printf("%.6f\n", seconds);
    return seconds < 0 ? 1 : 0;
}

// Runs args as a child: its wall time, peak memory and exit status; with
// printedSeconds, the number it printed.
Run spawnAndWait(const std::vector<std::string> &args, double *printedSeconds = nullptr)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);

    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return {};
    }
    std::string output;
    char buffer[256];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);

    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    run.peakKiB = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (printedSeconds)
        *printedSeconds = std::atof(output.c_str());
    return run;
}

bool sameSize(const QString &path, qint64 size)
{
    return QFileInfo(path).size() == size;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Dirty pages of the previous download must not slow down the next one.
void settle()
{
    std::system("sync");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--window") == 0)
        return windowChild(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));

    QCoreApplication app(argc, argv);
    const int pairs = std::max(3, argc > 1 ? std::atoi(argv[1]) : 3);
    const qint64 mib = argc > 2 ? std::atoll(argv[2]) : 1024;
    const qint64 size = mib * 1024 * 1024;
    const qint64 smallSize = size / 4;

    NginxServer nginx;
    if (!nginx.start() || !nginx.createFile(QStringLiteral("big.bin"), size)
        || !nginx.createFile(QStringLiteral("quarter.bin"), smallSize)) {
        std::fprintf(stderr, "nginx: %s\n", qPrintable(nginx.errorString()));
        return 1;
    }
    QTemporaryDir out;
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string folder = out.path().toStdString();
    const QString windowFile = out.path() + QStringLiteral("/download/big.bin");
    const QString curlFile = out.path() + QStringLiteral("/curl.bin");

    std::printf("body %lld MiB, %d alternating pairs\n", mib, pairs);
    std::vector<double> ratios;
    long windowPeak = 0;
    long curlPeak = 0;
    for (int i = 0; i < pairs; ++i) {
        settle();
        double windowSeconds = 0;
        const Run window
            = spawnAndWait({self, "--window", nginx.url("big.bin").toStdString(), folder}, &windowSeconds);
        // The first download is compared byte for byte with what nginx served.
        const bool identical = i > 0
            || spawnAndWait({"/usr/bin/cmp", "-s", windowFile.toStdString(),
                                (nginx.root() + QStringLiteral("/big.bin")).toStdString()})
                   .ok;
        if (!window.ok || !sameSize(windowFile, size) || !identical) {
            std::fprintf(stderr, "window download failed or differs from the served file\n");
            return 1;
        }
        QFile::remove(windowFile);
        settle();
        const Run curl = spawnAndWait(
            {"/usr/bin/curl", "-s", "-f", "-o", curlFile.toStdString(), nginx.url("big.bin").toStdString()});
        if (!curl.ok || !sameSize(curlFile, size)) {
            std::fprintf(stderr, "curl download failed\n");
            return 1;
        }
        QFile::remove(curlFile);

        const double windowRate = static_cast<double>(size) / (1 << 20) / windowSeconds;
        const double curlRate = static_cast<double>(size) / (1 << 20) / curl.seconds;
        ratios.push_back(windowRate / curlRate);
        windowPeak = std::max(windowPeak, window.peakKiB);
        curlPeak = std::max(curlPeak, curl.peakKiB);
        std::printf("pair %d: window %.0f MiB/s, curl %.0f MiB/s, ratio %.3f\n", i + 1, windowRate, curlRate,
            windowRate / curlRate);
    }

    settle();
    const Run quarter = spawnAndWait({self, "--window", nginx.url("quarter.bin").toStdString(), folder});
    std::printf("median ratio window/curl: %.3f (target at least 0.95)\n", median(ratios));
    std::printf("peak memory: window %.1f MiB for %lld MiB, %.1f MiB for %lld MiB (target below 120 MiB); "
                "curl %.1f MiB\n",
        windowPeak / 1024.0, mib, quarter.peakKiB / 1024.0, mib / 4, curlPeak / 1024.0);
    return quarter.ok ? 0 : 1;
}
