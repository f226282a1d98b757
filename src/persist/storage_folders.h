#pragma once

#include <QString>

namespace settings {

// Where the program keeps its settings file and its downloads.
struct StorageFolders {
    QString settingsFile; // full path of settei.ini
    QString downloadBase; // folder, with a closing "/", that holds the "download" folder
};

// Beside the executable when its folder is writable and not below /usr.
// Otherwise (an installed program) in the user's own folders: settei.ini in
// <config folder>/Tobrell/ (~/.config/Tobrell/) and the "download" folder in
// <download folder>/Tobrell/ (~/Downloads/Tobrell/download/); those folders
// are created when missing. A per-user location that the platform does not
// name leaves that file or folder beside the executable.
StorageFolders ChooseStorageFolders(const QString &executableFolder);

} // namespace settings
