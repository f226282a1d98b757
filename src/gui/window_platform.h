#pragma once

#include <QByteArray>
#include <QString>

// The environment variables that tell how the desktop session shows windows.
struct SessionEnvironment {
    QByteArray qtQpaPlatform; // QT_QPA_PLATFORM: the user's own choice
    QByteArray waylandDisplay; // WAYLAND_DISPLAY
    QByteArray sessionType; // XDG_SESSION_TYPE
    QByteArray display; // DISPLAY: an X server (XWayland) is there
};

SessionEnvironment CurrentSessionEnvironment();

// The Qt platform the window runs on; empty leaves the choice to Qt (the
// user's QT_QPA_PLATFORM, or a session that is not Wayland). In a Wayland
// session the window runs through X11 ("xcb") when an X server (XWayland) is
// there, because Wayland lets no program place its window or read its place,
// so the saved window position would be lost; without one it runs on
// Wayland itself ("wayland") rather than not at all.
QByteArray ChooseWindowPlatform(const SessionEnvironment &environment);

// What stderr says when no Qt platform could start, so that no window can
// open: what is missing, from what Qt said while it tried (the platform
// plugin it could not find, or the one that could not reach its display),
// and the terminal mode that needs no display.
QString NoWindowText(const QString &qtMessages, const SessionEnvironment &environment);
