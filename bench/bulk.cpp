// The bulk check against curl's own parallel mode, from a local nginx.
//
// Serves the given number of distinct small files and runs, alternately, each
// as a process of its own with stdout and stderr to /dev/null:
//   tobrell -I --parallel 10 --list FILE
//   curl -s -I --parallel --parallel-max 10 --config FILE   (the same addresses)
// Prints each one's median time and peak memory (from wait4's rusage) and the
// median of the pair ratios tobrell/curl. Without a size, it measures 10,000
// and 100,000 addresses.
//
//   bench_bulk [addresses] [pairs]     (default: both sizes, 5 pairs)

#include "fixtures/measure.h"
#include "support/nginx_server.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool measure(NginxServer &nginx, int addresses, int pairs)
{
    QTemporaryDir lists;
    QFile list(lists.filePath(QStringLiteral("list.txt")));
    QFile config(lists.filePath(QStringLiteral("curl.conf")));
    if (!list.open(QIODevice::WriteOnly) || !config.open(QIODevice::WriteOnly))
        return false;
    for (int i = 0; i < addresses; ++i) {
        // A hundred files to a folder.
        const QString path = QStringLiteral("d%1/f%2.txt").arg(i / 100).arg(i);
        if (!QFile::exists(nginx.root() + u'/' + path) && !nginx.createFile(path, 16))
            return false;
        const QByteArray url = nginx.url(path).toUtf8();
        list.write(url + '\n');
        config.write("url = \"" + url + "\"\n");
    }
    list.close();
    config.close();
    const std::vector<QByteArray> tobrell
        = {TOBRELL_PROGRAM, "-I", "--parallel", "10", "--list", list.fileName().toUtf8()};
    const std::vector<QByteArray> curl
        = {"curl", "-s", "-I", "--parallel", "--parallel-max", "10", "--config", config.fileName().toUtf8()};
    std::vector<double> ours, theirs, ratios, oursPeak, theirsPeak;
    for (int i = 0; i < pairs; ++i) {
        const CommandRun t = RunCommand(tobrell);
        const CommandRun c = RunCommand(curl);
        if (t.ms < 0 || c.ms < 0) {
            std::fprintf(stderr, "%d addresses: a command failed\n", addresses);
            return false;
        }
        ours.push_back(t.ms);
        theirs.push_back(c.ms);
        ratios.push_back(t.ms / c.ms);
        oursPeak.push_back(t.peakMiB);
        theirsPeak.push_back(c.peakMiB);
    }
    std::printf("%d addresses, median of %d: tobrell %.0f ms, curl %.0f ms, median ratio tobrell/curl %.2f; "
                "peak memory tobrell %.1f MiB, curl %.1f MiB\n",
        addresses, pairs, Median(ours), Median(theirs), Median(ratios),
        *std::max_element(oursPeak.begin(), oursPeak.end()),
        *std::max_element(theirsPeak.begin(), theirsPeak.end()));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::vector<int> sizes
        = argc > 1 ? std::vector<int>{std::max(1, std::atoi(argv[1]))} : std::vector<int>{10000, 100000};
    const int pairs = std::max(1, argc > 2 ? std::atoi(argv[2]) : 5);
    NginxServer nginx;
    if (!nginx.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(nginx.errorString()));
        return 1;
    }
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("no_proxy", "127.0.0.1");
    for (const int size : sizes) {
        if (!measure(nginx, size, pairs))
            return 1;
    }
    std::printf("target: ratio at most 0.8, peak memory at most 64 MiB\n");
    return 0;
}
