#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The URL history: a text file of one URL per line, oldest first, of which
// the last lines are offered again in the popup menu. Lines end with LF or
// CR LF and are UTF-8. The file only grows; it is read in blocks, so neither
// its size nor its number of lines is limited.
namespace history {

// The history file's name.
inline constexpr QStringView kHistoryFileName = u"rireki.txt";

// How many of the file's last lines are looked at.
inline constexpr int kShownLines = 20;

// Longest part of a line, in UTF-8 bytes, that LoadHistory keeps; far more
// than the URL box can hold (32767 UTF-16 units, under 96 KiB of UTF-8).
inline constexpr qsizetype kMaxLineBytes = 128 * 1024;

// Longest URL, in characters, shown in a menu caption before "…".
inline constexpr qsizetype kCaptionUrlLength = 100;

enum class AddResult {
    Appended, // url was written as the new last line
    AlreadyListed, // url is among the last kShownLines lines: nothing written
    Failed, // the file could not be read or written, or url is empty
};

// Records url (CR, LF and NUL in it become blanks). The file's lines are
// compared with url in order, exactly: an empty line before the first equal
// line ends the comparison, and url is appended; when an equal line is found
// first, url is appended only if none of the equal lines is among the last
// kShownLines lines (the line count is 1 + the number of LFs, so a final line
// break counts as an empty last line). Lines are separated by CR LF; none is
// written after url, and none before it when the file is empty or ends with
// a line break. A missing file is created. Programs recording at the same
// moment take turns (a lock on the file), so each address gets its own line.
// When it fails, *failure says why, in Japanese.
AddResult AddHistory(const QString &path, const QString &url, QString *failure = nullptr);

struct HistoryItem {
    int index; // 1 to kShownLines, the line's place among the last lines
    QString url; // the line, without its line break
};

// The non-empty lines among the last kShownLines lines of the file, oldest
// first, numbered by their place there so that empty lines leave gaps
// (25 lines: items 1 to 20 from lines 6 to 25). Nothing when the file is
// missing or cannot be read; an empty list when it has no such line.
std::optional<QList<HistoryItem>> LoadHistory(const QString &path);

// The menu caption of an item: its index, "." and the URL, cut to
// kCaptionUrlLength characters and "…", with control characters shown as
// blanks and "&" doubled so the menu shows it as itself.
QString HistoryCaption(const HistoryItem &item);

} // namespace history
