// The terminal mode's HEAD against curl's, from a local nginx.
//
// Starts `tobrell --head URL` and `curl -s -I URL` as processes of their own,
// alternately, each timed from its start until it has exited, and prints each
// one's median, the median of the pair ratios tobrell/curl and, to show what
// the start alone costs, the same for `tobrell --version` against
// `curl --version`; then what the diagnosis adds: `tobrell --head --check`
// against `tobrell --head`. Output goes to /dev/null.
//
//   bench_head [runs]     (default: 31 pairs)

#include "fixtures/measure.h"
#include "support/nginx_server.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Times both commands alternately; false when one failed.
bool compare(const char *what, const std::vector<QByteArray> &tobrell, const std::vector<QByteArray> &curl,
    int runs, const char *names = "tobrell %.2f ms, curl %.2f ms, median ratio tobrell/curl")
{
    std::vector<double> ours, theirs, ratios;
    for (int i = 0; i < runs; ++i) {
        const double t = RunCommand(tobrell).ms;
        const double c = RunCommand(curl).ms;
        if (t < 0 || c < 0) {
            std::fprintf(stderr, "%s: a command failed\n", what);
            return false;
        }
        ours.push_back(t);
        theirs.push_back(c);
        ratios.push_back(t / c);
    }
    std::printf("%s, median of %d: ", what, runs);
    std::printf(names, Median(ours), Median(theirs));
    std::printf(" %.2f\n", Median(ratios));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = std::max(3, argc > 1 ? std::atoi(argv[1]) : 31);
    NginxServer nginx;
    if (!nginx.start() || !nginx.createFile(QStringLiteral("index.html"), 1024)) {
        std::fprintf(stderr, "%s\n", qPrintable(nginx.errorString()));
        return 1;
    }
    const QByteArray url = nginx.url(QStringLiteral("index.html")).toUtf8();
    // No display is needed, and none is used.
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("no_proxy", "127.0.0.1");
    if (!compare("HEAD", {TOBRELL_PROGRAM, "--head", url}, {"curl", "-s", "-I", url}, runs)
        || !compare("start only (--version)", {TOBRELL_PROGRAM, "--version"}, {"curl", "--version"}, runs)
        || !compare("diagnosis", {TOBRELL_PROGRAM, "--head", "--check", url},
            {TOBRELL_PROGRAM, "--head", url}, runs, "--check %.2f ms, without %.2f ms, median ratio"))
        return 1;
    std::printf("target: HEAD ratio at most 1.2\n");
    return 0;
}
