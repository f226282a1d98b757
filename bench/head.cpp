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

#include "support/nginx_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

// Milliseconds from spawning the command until it has exited; -1 when it failed.
double timeCommand(const std::vector<QByteArray> &command)
{
    std::vector<char *> argv;
    for (const QByteArray &argument : command)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    int status = 0;
    const bool ran = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0
        && waitpid(pid, &status, 0) == pid;
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    posix_spawn_file_actions_destroy(&actions);
    return ran && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Times both commands alternately; false when one failed.
bool compare(const char *what, const std::vector<QByteArray> &tobrell, const std::vector<QByteArray> &curl,
    int runs, const char *names = "tobrell %.2f ms, curl %.2f ms, median ratio tobrell/curl")
{
    std::vector<double> ours, theirs, ratios;
    for (int i = 0; i < runs; ++i) {
        const double t = timeCommand(tobrell);
        const double c = timeCommand(curl);
        if (t < 0 || c < 0) {
            std::fprintf(stderr, "%s: a command failed\n", what);
            return false;
        }
        ours.push_back(t);
        theirs.push_back(c);
        ratios.push_back(t / c);
    }
    std::printf("%s, median of %d: ", what, runs);
    std::printf(names, median(ours), median(theirs));
    std::printf(" %.2f\n", median(ratios));
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
