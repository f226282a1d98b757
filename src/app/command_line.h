#pragma once

#include <QString>
#include <QStringList>

// Exit statuses of the program run from a terminal.
namespace exitstatus {
constexpr int kAnswered = 0;  // done; with --head, a response arrived (whatever its status)
constexpr int kFailed = 1;    // the request failed, or the output could not be written
constexpr int kBadUsage = 2;  // the command line or the address was refused
} // namespace exitstatus

// Said on stderr when stdout cannot be written (but not to a reader that went away).
inline constexpr QStringView kWriteFailed = u"標準出力に書き込めませんでした。";

// What `tobrell --head` is asked to do.
struct HeadOptions {
    QString address;
    QString referer;          // the Referer's value; empty sends none
    bool autoReferer = false; // the window's automatic Referer rule, over referer
    bool raw = false;         // the block as received
    bool timing = false;
    bool location = false;    // follow redirects
    bool certificate = false;
};

enum class StartRequest { OpenWindow, PrintVersion, PrintHelp, Head, BadUsage };

struct CommandLine {
    StartRequest request = StartRequest::OpenWindow;
    QString startAddress; // OpenWindow: fetched at once when not empty
    HeadOptions head;     // Head
    QString problem;      // BadUsage: what is wrong, one line
};

// Reads the arguments after the program name. Besides the program's own
// options, Qt's (-platform NAME, -style NAME ...) open the window and are
// left for Qt; any other argument starting with "-" is bad usage.
CommandLine ReadCommandLine(const QStringList &arguments);

// "Tobrell ver 1.00 Feb 2006"
QString VersionLine();

// The answer to --help: the usage, one paragraph in Japanese, one in English.
QString HelpText();

// What bad usage prints on stderr: the problem, then the usage lines.
QString UsageText(const QString &problem);
