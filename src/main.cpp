#include "app/command_line.h"
#include "app/program_icon.h"
#include "app/qt_translation.h"
#include "app/termination_signals.h"
#include "app/window_platform.h"
#include "ui/form1.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Answered before any window system is touched, so they work without a display.
    switch (ReadCommandLine(argc, argv)) {
    case StartRequest::PrintVersion:
        std::fputs((VersionLine() + QLatin1Char('\n')).toUtf8().constData(), stdout);
        return 0;
    case StartRequest::PrintHelp:
        std::fputs(HelpText().toUtf8().constData(), stdout);
        return 0;
    case StartRequest::OpenWindow:
        break;
    }

    const QByteArray platform = ChooseWindowPlatform(CurrentSessionEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    // Programs the window starts (the file browser, the text viewer) choose their own platform.
    if (!platform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    QApplication::setApplicationName(QStringLiteral("Tobrell"));
    InstallJapaneseQtTexts(app);
    QGuiApplication::setDesktopFileName(QStringLiteral(TOBRELL_DESKTOP_ID));
    // Every window of the program, message boxes included, shows the program icon.
    QApplication::setWindowIcon(ProgramIcon());

    // Installed before the window exists: a signal during its start waits in the pipe.
    TerminationSignals termination;
    Form1 form;
    QObject::connect(&termination, &TerminationSignals::received, &form, &QWidget::close);
    form.show();
    return QApplication::exec();
}
