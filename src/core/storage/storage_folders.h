#pragma once

#include <QString>

namespace settings {

// Where the program keeps its settings file, its history and its downloads.
struct StorageFolders {
    QString settingsFile; // full path of settei.ini
    QString historyFile; // rireki.txt: a bare name is taken in the current directory of each use
    QString downloadBase; // folder, with a closing "/", that holds the "download" folder
};

// Beside the executable when its folder is writable and not below /usr, with
// the history in the current directory. Otherwise (an installed program) in
// the user's own folders: settei.ini and rireki.txt in <config folder>/Tobrell/
// (~/.config/Tobrell/) and the "download" folder in <download folder>/Tobrell/
// (~/Downloads/Tobrell/download/); those folders are created when missing. A
// per-user location that the platform does not name leaves those files where
// a writable copy keeps them.
StorageFolders ChooseStorageFolders(const QString &executableFolder);

} // namespace settings
