#include "gui/desktop_opener.h"

#include <QProcess>

DesktopOpener::~DesktopOpener()
{
    // An opener that runs the program it started in the foreground must not
    // be killed with the window, or the file browser or editor would go too:
    // it is left to end by itself.
    for (QProcess *process : findChildren<QProcess *>()) {
        process->disconnect();
        process->setParent(nullptr);
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    }
}

void DesktopOpener::open(const QString &path, std::function<void()> onFailure)
{
    auto *process = new QProcess(this);
    process->setProgram(program_);
    process->setArguments({path});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(process, &QProcess::errorOccurred, this, [process, onFailure](QProcess::ProcessError error) {
        // Every other error ends in finished().
        if (error != QProcess::FailedToStart)
            return;
        onFailure();
        process->deleteLater();
    });
    connect(
        process, &QProcess::finished, this, [process, onFailure](int exitCode, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit || exitCode != 0)
                onFailure();
            process->deleteLater();
        });
    process->start();
}
