// The window's start, in a module of its own that the program loads only
// when it opens a window: the terminal mode never maps Qt's GUI libraries.
#include "core/exit_status.h"
#include "core/termination_signals.h"
#include "gui/form1.h"
#include "gui/program_icon.h"
#include "gui/qt_translation.h"
#include "gui/window_platform.h"

#include <QApplication>
#include <QMimeData>

#include <cstdio>
#include <cstdlib>
#include <mutex>

// Looked for by the program before it loads the module.
extern "C" __attribute__((used)) const char TobrellWindowModuleMarker[] = TOBRELL_MODULE_MARKER;

namespace {

QtMessageHandler qtHandler = nullptr;
// What Qt said while its platform started; threads Qt starts meanwhile may log too.
std::mutex platformMessagesLock;
QString platformMessages;

// Watches the start of Qt's platform: its messages go on as usual and are
// kept. When no platform could start Qt would abort with an English message
// that suggests reinstalling; instead, say what is missing and end with
// status 1. _Exit, since the half-built application must not be torn down.
void WatchPlatformStart(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        const std::lock_guard lock(platformMessagesLock);
        platformMessages += message + u'\n';
        qtHandler(type, context, message);
        return;
    }
    const std::lock_guard lock(platformMessagesLock);
    std::fputs(NoWindowText(platformMessages, CurrentSessionEnvironment()).toUtf8().constData(), stderr);
    std::_Exit(exitstatus::kFailed);
}

} // namespace

extern "C" int RunWindow(int argc, char *argv[], const char *startAddress)
{
    const QByteArray platform = ChooseWindowPlatform(CurrentSessionEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    qtHandler = qInstallMessageHandler(WatchPlatformStart);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
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
    // An address given on the command line is taken as a drop is, over the
    // address the settings restored.
    if (*startAddress) {
        QMimeData address;
        address.setText(QString::fromUtf8(startAddress));
        form.Text3_OLEDragDrop(address);
    }
    return QApplication::exec();
}
