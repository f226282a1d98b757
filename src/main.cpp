#include "app/command_line.h"
#include "app/program_icon.h"
#include "app/termination_signals.h"
#include "app/window_platform.h"
#include "term/head_command.h"
#include "ui/form1.h"

#include <QApplication>
#include <QFile>
#include <QMimeData>

#include <cstdio>

#include <unistd.h>

namespace {

// Writes text on stdout; false when it could not be written whole.
bool Print(const QString &text)
{
    return std::fputs(text.toUtf8().constData(), stdout) >= 0 && std::fflush(stdout) == 0;
}

// The terminal mode: QtCore alone, no window system.
int RunHeadCommand(int argc, char *argv[], const HeadOptions &options)
{
    QCoreApplication app(argc, argv);
    QFile out, err;
    // Unbuffered, so that a failed write is seen where it happens.
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return exitstatus::kFailed;
    return RunHead(options, out, err);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Answered before any window system is touched, so they work without a display.
    const CommandLine line = ReadCommandLine(arguments);
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

    const bool throughX11 = ShouldRunThroughX11(CurrentSessionEnvironment());
    if (throughX11)
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    // Programs the window starts (the file browser, the text viewer) choose their own platform.
    if (throughX11)
        qunsetenv("QT_QPA_PLATFORM");
    QApplication::setApplicationName(QStringLiteral("Tobrell"));
    QGuiApplication::setDesktopFileName(QStringLiteral(TOBRELL_DESKTOP_ID));
    // Every window of the program, message boxes included, shows the program icon.
    QApplication::setWindowIcon(ProgramIcon());

    // Installed before the window exists: a signal during its start waits in the pipe.
    TerminationSignals termination;
    Form1 form;
    QObject::connect(&termination, &TerminationSignals::received, &form, &QWidget::close);
    form.show();
    // An address given on the command line is taken as a drop is, over the
    // address the settings restored.
    if (!line.startAddress.isEmpty()) {
        QMimeData address;
        address.setText(line.startAddress);
        form.Text3_OLEDragDrop(address);
    }
    return QApplication::exec();
}
