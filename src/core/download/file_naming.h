#pragma once

#include <QString>

#include <climits>
#include <optional>

namespace naming {

// Longest name, in UTF-8 bytes, that MakeFilename returns: NAME_MAX (255)
// less room for the largest counter "[32767]" that MakeNewFilename inserts,
// and for what a download's temporary file puts before the name.
constexpr int kMaxNameBytes = 240;

// Highest counter MakeNewFilename tries (the counter is a 16-bit signed value).
constexpr int kLastCounter = 32767;
// A name with the largest counter still fits.
static_assert(kMaxNameBytes + int(sizeof "[32767]") - 1 <= NAME_MAX);

// The name a download is saved under: everything after the last "/" of url,
// "index.html" when that is empty. The result always names a plain entry of
// the download folder: "." and ".." become "index.html" (like an address
// ending in "/", they name a directory), a NUL or "/" becomes "_", and a name
// longer than kMaxNameBytes is shortened to fit, keeping its extension.
// Everything else, "?" and percent escapes included, stays.
QString MakeFilename(const QString &url);

// The first "name[n].ext" for n = 0..kLastCounter that names no entry in
// saveFolder (which ends with "/"). The counter goes before the first dot
// (".htaccess" gives "[0].htaccess", "archive.tar.gz" "archive[0].tar.gz"),
// or at the end of a name without a dot ("README[0]"). std::nullopt when
// every counter is taken.
std::optional<QString> MakeNewFilename(const QString &saveFolder, const QString &saveName);

// True when path names any directory entry, a dangling symbolic link
// included: anything a save without replacing must not take the place of.
bool EntryExists(const QString &path);

struct SaveFolder {
    QString path; // "<executable's folder>/download/", always with the closing "/"
    QString problem; // why downloads cannot be saved there, for a warning box; empty when fine
};

// Makes sure the folder "download" exists in executableDir, creating it, and
// executableDir when missing, when there is no entry of that name.
SaveFolder MakeSaveFolder(const QString &executableDir);

} // namespace naming
