#pragma once

#include <QString>

#include <memory>

// Module ini: the settings file, an INI file of sections holding key=value
// lines, read and written one key at a time.
namespace ini {

// Longest value, in UTF-8 bytes, that ReadIni returns.
inline constexpr qsizetype kMaxValueBytes = 254;

// One settings file held in memory: read when constructed, changed key by
// key with WriteIni and written back as a whole by save(), so the file on
// disk is replaced in one step and never left half written.
//
// Section and key names are matched without regard to ASCII letter case.
// Of duplicate keys the first counts. Blanks around names and values do not
// count; a value in double quotes is read without them.
//
// Writing changes the value of a key in its line and nothing else: every
// other line (comments, lines that are no key, other keys, duplicates) and
// every line break stays byte for byte. A new key goes after the last key of
// its section, a new section to the end of the file.
class SettingsFile {
public:
    // A missing file reads as an empty one. So does anything but a plain,
    // readable file of at most 1 MiB, which save() then leaves alone.
    explicit SettingsFile(const QString &path);
    ~SettingsFile();
    SettingsFile(const SettingsFile &) = delete;
    SettingsFile &operator=(const SettingsFile &) = delete;

    // The value of one key, cut to kMaxValueBytes (never inside a character);
    // the empty text when the section or the key is missing.
    QString ReadIni(const QString &section, const QString &key) const;

    // Sets one key in the text that save() writes, creating the section or
    // the key as needed (ReadIni goes on reading the file as it was read).
    // CR, LF and NUL in the value become blanks; any other text, blanks and
    // quotes at its ends included, is read back as it was written.
    void WriteIni(const QString &section, const QString &key, const QString &value);

    // Replaces the file with the contents in memory. Returns why it did not,
    // in Japanese, or the empty text when it did; the file on disk is then
    // unchanged. A file that holds text but none of the sections written is
    // no settings file and is never written, nor is one in which a written
    // value would not read back as written.
    QString save() const;

private:
    struct Store;
    QString path_;
    std::unique_ptr<Store> store_;
    QString refusal_; // why the file must not be written; empty when it may
};

} // namespace ini
