#include "cli/bulk_command.h"
#include "cli/command_line.h"
#include "cli/head_command.h"
#include "core/module_file.h"
#include "core/version.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include <dlfcn.h>
#include <unistd.h>

namespace {

// Writes text on stdout; false when it could not be written whole, which is
// told on stderr unless the reader went away.
bool Print(const QString &text)
{
    if (std::fputs(text.toUtf8().constData(), stdout) >= 0 && std::fflush(stdout) == 0)
        return true;
    if (errno != EPIPE)
        std::fprintf(stderr, "%s\n", kWriteFailed.toString().toUtf8().constData());
    return false;
}

// The terminal mode: QtCore alone, no window system.
int RunHeadCommand(int argc, char *argv[], const HeadOptions &options)
{
    // Qt's own event loop rather than GLib's: the bulk check turns sockets'
    // watches on and off for every request, which GLib's loop answers with
    // a wake-up write each time (a quarter of the system calls of a run).
    if (options.bulk())
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    qunsetenv("QT_NO_GLIB");
    QFile out, err;
    // Unbuffered, so that a failed write is seen where it happens.
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return exitstatus::kFailed;
    if (options.bulk())
        return RunBulk(options, out, err, ::isatty(STDERR_FILENO));
    return RunHead(options, out, err);
}

// Loads the window module, beside the program in the build folder and in
// the package's private library folder beside bin/ when installed, and runs
// the window. The first place that holds a file is the one that counts: when
// that file cannot be loaded, its own reason is shown, and the other place is
// not tried.
int OpenWindow(int argc, char *argv[], const QString &startAddress)
{
    std::error_code ignored;
    const std::filesystem::path folder
        = std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
    QStringList missing;
    QString reason;
    for (const std::filesystem::path &candidate :
        {folder / TOBRELL_WINDOW_MODULE, folder / ".." / TOBRELL_PRIVATE_FOLDER / TOBRELL_WINDOW_MODULE}) {
        const QString path = QString::fromStdString(candidate.lexically_normal());
        if (!QFile::exists(path)) {
            missing << path;
            continue;
        }
        QString problem = modulefile::Problem(path);
        void *module = problem.isEmpty() ? dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL) : nullptr;
        using Window = int(int, char *[], const char *);
        if (auto *run = module ? reinterpret_cast<Window *>(dlsym(module, "RunWindow")) : nullptr)
            return run(argc, argv, startAddress.toUtf8().constData());
        reason
            = path + QStringLiteral(": ") + (problem.isEmpty() ? QString::fromLocal8Bit(dlerror()) : problem);
        break;
    }
    if (reason.isEmpty())
        reason = missing.join(QStringLiteral("、")) + QStringLiteral(" がありません");
    std::fputs(
        QStringLiteral("tobrell: ウィンドウを開けませんでした (%1)\n").arg(reason).toUtf8().constData(),
        stderr);
    return exitstatus::kFailed;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Answered before any window system is touched, so they work without a display.
    const CommandLine line = ReadCommandLine(arguments);
    // Output into a pipe whose reader went away fails with EPIPE and exit
    // status 1 instead of ending the program by SIGPIPE. Only here: programs
    // the window starts would inherit the ignored signal.
    if (line.request != StartRequest::OpenWindow)
        std::signal(SIGPIPE, SIG_IGN);
    switch (line.request) {
    case StartRequest::PrintVersion:
        return Print(VersionLine() + QLatin1Char('\n')) ? exitstatus::kAnswered : exitstatus::kFailed;
    case StartRequest::PrintHelp:
        return Print(HelpText()) ? exitstatus::kAnswered : exitstatus::kFailed;
    case StartRequest::BadUsage:
        std::fputs(UsageText(line.problem).toUtf8().constData(), stderr);
        return exitstatus::kBadUsage;
    case StartRequest::Head:
        return RunHeadCommand(argc, argv, line.head);
    case StartRequest::OpenWindow:
        break;
    }
    return OpenWindow(argc, argv, line.startAddress);
}
