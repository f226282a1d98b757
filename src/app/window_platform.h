#pragma once

#include <QByteArray>

// The environment variables that tell how the desktop session shows windows.
struct SessionEnvironment {
    QByteArray qtQpaPlatform;  // QT_QPA_PLATFORM: the user's own choice
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray sessionType;    // XDG_SESSION_TYPE
    QByteArray display;        // DISPLAY: an X server (XWayland) is there
};

SessionEnvironment CurrentSessionEnvironment();

// True when the window should run through X11 rather than Wayland: the
// session is Wayland, an X server is available and the user has chosen no
// platform. Wayland lets no program place its window or read its place, so
// the saved window position would be lost.
bool ShouldRunThroughX11(const SessionEnvironment &environment);
