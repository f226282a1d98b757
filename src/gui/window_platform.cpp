#include "gui/window_platform.h"

#include <QtGlobal>

SessionEnvironment CurrentSessionEnvironment()
{
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"), qgetenv("DISPLAY")};
}

QByteArray ChooseWindowPlatform(const SessionEnvironment &environment)
{
    // Qt itself treats an empty QT_QPA_PLATFORM as unset.
    const bool wayland = !environment.waylandDisplay.isEmpty() || environment.sessionType == "wayland";
    if (!environment.qtQpaPlatform.isEmpty() || !wayland)
        return QByteArray();
    return environment.display.isEmpty() ? QByteArrayLiteral("wayland") : QByteArrayLiteral("xcb");
}
