#include "core/storage/storage_folders.h"

#include "core/storage/history.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace settings {

namespace {

const QString kSettingsFileName = QStringLiteral("settei.ini");
const QString kUserFolderName = QStringLiteral("Tobrell");

QString WithSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The folder named kUserFolderName in a per-user location, created when
// missing; empty when the platform names no such location.
QString UserFolder(QStandardPaths::StandardLocation location)
{
    const QString base = QStandardPaths::writableLocation(location);
    if (base.isEmpty())
        return QString();
    const QString folder = WithSlash(WithSlash(base) + kUserFolderName);
    QDir().mkpath(folder);
    return folder;
}

} // namespace

StorageFolders ChooseStorageFolders(const QString &executableFolder)
{
    const QString folder = WithSlash(executableFolder);
    StorageFolders chosen{folder + kSettingsFileName, history::kHistoryFileName.toString(), folder};
    // An installed program (below /usr) never writes beside itself, not even
    // for root, who could: the package manager would not know those files.
    const QFileInfo program(executableFolder);
    const bool installed = QDir::cleanPath(program.absoluteFilePath()).startsWith(QStringLiteral("/usr/"));
    if (program.isDir() && program.isWritable() && !installed)
        return chosen;
    if (const QString config = UserFolder(QStandardPaths::GenericConfigLocation); !config.isEmpty()) {
        chosen.settingsFile = config + kSettingsFileName;
        chosen.historyFile = config + chosen.historyFile;
    }
    if (const QString downloads = UserFolder(QStandardPaths::DownloadLocation); !downloads.isEmpty())
        chosen.downloadBase = downloads;
    return chosen;
}

} // namespace settings
