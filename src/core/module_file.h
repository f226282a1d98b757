#pragma once

#include <QByteArray>
#include <QString>

// The window lives in a module that the program loads with dlopen. A damaged
// file can crash dlopen itself (a file cut short is mapped past its end and
// raises SIGBUS), so a module is checked before it is loaded.
namespace modulefile {

// The text the window module carries, and the program looks for, to tell
// that the module is the window of this very version.
QByteArray VersionMarker();

// Why the file at path cannot be loaded as this version's window module, in
// Japanese; empty when it can: a plain ELF shared object of this machine's
// kind whose every part lies within the file, and that carries the marker.
QString Problem(const QString &path);

} // namespace modulefile
