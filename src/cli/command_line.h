#pragma once

#include "core/bulk/bulk_runner.h"
#include "core/exit_status.h"

#include <QString>
#include <QStringList>

// Said on stderr when stdout cannot be written (but not to a reader that went away).
inline constexpr QStringView kWriteFailed = u"標準出力に書き込めませんでした。";

// What `tobrell --head` is asked to do.
struct HeadOptions {
    QString address;
    QString referer; // the Referer's value; empty sends none
    bool autoReferer = false; // the window's automatic Referer rule, over referer
    bool raw = false; // the block as received
    bool timing = false;
    bool location = false; // follow redirects
    bool certificate = false;
    bool http2 = false; // offer HTTP/2 over TLS
    // The bulk check: every address given (address is the first), a list
    // file ("-" for stdin), the requests at once, and the output's form.
    QStringList addresses;
    QString list;
    int parallel = bulk::kDefaultParallel;
    bool json = false;
    bool csv = false;
    // Whether the bulk check runs rather than the answer of one address.
    bool bulk() const { return addresses.size() > 1 || !list.isEmpty() || json || csv; }
    bool check = false; // the diagnosis of the last answer
};

enum class StartRequest { OpenWindow, PrintVersion, PrintHelp, Head, BadUsage };

struct CommandLine {
    StartRequest request = StartRequest::OpenWindow;
    QString startAddress; // OpenWindow: fetched at once when not empty
    HeadOptions head; // Head
    QString problem; // BadUsage: what is wrong, one line
};

// Reads the arguments after the program name. Besides the program's own
// options, Qt's (-platform NAME, -style NAME ...) open the window and are
// left for Qt; any other argument starting with "-" is bad usage.
CommandLine ReadCommandLine(const QStringList &arguments);

// The answer to --help: the usage, one paragraph in Japanese, one in English.
QString HelpText();

// What bad usage prints on stderr: the problem, then the usage lines.
QString UsageText(const QString &problem);
