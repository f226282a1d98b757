#pragma once

#include <QString>

#include <memory>

// Module ini: the settings file, an INI file of sections holding key=value
// lines, read and written one key at a time.
namespace ini {

// Longest value, in UTF-8 bytes, that ReadIni returns.
inline constexpr qsizetype kMaxValueBytes = 254;

// The folder of the running executable, always with a closing "/".
QString GetAppPath();

// One settings file held in memory: read when constructed, changed key by
// key with WriteIni and written back as a whole by save(), so the file on
// disk is replaced in one step and never left half written.
//
// Section and key names are matched without regard to ASCII letter case.
// A hand-edited file keeps its comments, its other sections and keys and its
// order; a new key goes to the end of its section, a new section to the end
// of the file. Of duplicate keys the first counts, and writing the key leaves
// one line in its place. Blanks around names and values do not count; a
// value in double quotes is read without them.
class SettingsFile {
public:
    // A missing or unreadable file reads as an empty one. So does anything
    // but a plain file of at most 1 MiB, which save() then leaves alone.
    explicit SettingsFile(const QString &path);
    ~SettingsFile();
    SettingsFile(const SettingsFile &) = delete;
    SettingsFile &operator=(const SettingsFile &) = delete;

    // The value of one key, cut to kMaxValueBytes (never inside a character);
    // the empty text when the section or the key is missing.
    QString ReadIni(const QString &section, const QString &key) const;

    // Sets one key in memory, creating the section or the key as needed.
    // CR, LF and NUL in the value become blanks; any other text, blanks and
    // quotes at its ends included, is read back as it was written.
    void WriteIni(const QString &section, const QString &key, const QString &value);

    // Replaces the file with the contents in memory (UTF-8, key=value lines).
    // False when that failed, or the file was refused; the file on disk is then unchanged.
    bool save() const;

private:
    struct Store;
    QString path_;
    std::unique_ptr<Store> store_;
    bool refused_ = false;
};

} // namespace ini
